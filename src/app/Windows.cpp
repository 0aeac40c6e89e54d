#include "app/Windows.h"

#include "app/Filvane.h"
#include "dialogs/About.h"
#include "dialogs/Option.h"
#include "dialogs/Read.h"

#include <QFont>

namespace {

// The windows are laid out to the pixel for the classic 8-point dialog font. Where it is
// missing, a face of the same narrow metrics keeps every caption inside its control; the
// default sans face is markedly wider.
void substituteClassicFonts() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
}

} // namespace

Windows createWindows() {
    substituteClassicFonts();
    Windows windows;
    windows.main = std::make_unique<TMainForm>();
    windows.read = new TReadForm(windows.main.get());
    windows.about = new TAboutForm(windows.main.get());
    windows.options = new TOptionsForm(windows.main.get());
    windows.main->attachDialogs(windows.read, windows.about, windows.options);
    return windows;
}
