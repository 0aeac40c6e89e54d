#pragma once

#include "core/texts/TextTable.h"

#include <QString>

class QKeySequence;

// Names and descriptions that screen readers announce for controls whose own caption does not
// say what they are (image buttons, lists, boxes without a label), in both languages.
enum class AccessibleText {
    ToolBar,
    AboutButton,
    CloseButton,
    LanguageSwitch,
    ReadList,
    ReadListDescription,
    NameList,
    NameListDescription,
    StatusBar,
    CountPanelDescription,
    FolderPanelEmpty,
    FolderPanelDescription,
    DriveList,
    FolderList,
    FolderListDescription,
    FileTypeList,
    MaskBox,
    MaskBoxDescription,
    ReadOkDescription,
    ReadCancelDescription,
    NumberingDescription,
    NumbersOnlyDescription,
    KeepExtensionDescription,
    ExtensionBox,
    ExtensionBoxDescription,
    KeepFileNamesDescription,
    OptionsOkDescription,
    OptionsCancelDescription,
};

QString accessibleText(AccessibleText entry, filvane::Language language);

// "Read file names (Ctrl+O)": a hint with the key that gives the same command.
QString withShortcut(const QString &hint, const QKeySequence &keys);
