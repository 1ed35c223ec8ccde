#include "app/ui/ProgramWindows.h"

#include "about/ui/TfrmAbout.h"
#include "common/ProgramLocation.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/TFrmHelp.h"
#include "app/ui/TMainFrm.h"
#include "app/ui/TfrmOption.h"
#include "query/ui/TfrmChaXun.h"

std::unique_ptr<TMainFrm> createProgramWindows(const AppContext &context)
{
    auto main = std::make_unique<TMainFrm>(context);
    TMainFrm *frame = main.get();
    // The secondary windows are children of the main window and show its icon.
    main->setWindowIcon(programIcon());
    auto programDir = [frame] { return frame->programDir(); };
    auto helpFile = [frame] {
        return ProgramLocation::helpFileFor(frame->programDir(), frame->context().executablePath);
    };
    auto *help = new TFrmHelp(*context.dialogs, frame, helpFile, [frame] { return frame->helpTopic(); });
    auto *option = new TfrmOption(*context.dialogs, *context.guard, *context.settings, frame, programDir);
    auto *about = new TfrmAbout(frame->context(), frame);
    auto *chaXun = new TfrmChaXun(*context.dialogs, *context.guard, *context.settings, frame, programDir);
    main->setSecondaryWindows(help, option, about, chaXun);
    return main;
}
