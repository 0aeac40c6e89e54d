#include "Windows.h"

#include "About.h"
#include "Filvane.h"
#include "Option.h"
#include "Read.h"

Windows createWindows() {
    Windows windows;
    windows.main = std::make_unique<TMainForm>();
    windows.read = new TReadForm(windows.main->texts(), windows.main.get());
    windows.about = new TAboutForm(windows.main.get());
    windows.options =
        new TOptionsForm(windows.main->texts(), windows.main->lastExtension(), windows.main.get());
    windows.main->attachDialogs(windows.read, windows.about, windows.options);
    return windows;
}
