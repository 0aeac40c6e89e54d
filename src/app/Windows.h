#pragma once

#include <memory>

class TAboutForm;
class TMainForm;
class TOptionsForm;
class TReadForm;

// The program's four windows. The dialogs are owned by the main window (their parent).
struct Windows {
    std::unique_ptr<TMainForm> main;
    TReadForm *read = nullptr;
    TAboutForm *about = nullptr;
    TOptionsForm *options = nullptr;
};

// Creates the windows in the program's order: main window, read dialog, about, options.
Windows createWindows();
