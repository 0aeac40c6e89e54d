#pragma once

// Makes a drop-down list's accessible name the name its window gives it (setAccessibleName),
// as for any other control; its current row stays its value. Without this, a drop-down list
// on Linux is named by its current row alone and a screen reader cannot say what it chooses.
// Call once before the first drop-down list is shown; later calls do nothing.
void nameDropDownListsForScreenReaders();
