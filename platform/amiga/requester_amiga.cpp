// Start-up notice of the AmigaOS build: a program started without
// arguments (from the Shell or from the Workbench) has no UCI session, so it
// tells the user that it is alive with an easy requester and ends.
#include "platform/platform.h"

#include <intuition/intuition.h>
#include <proto/exec.h>
#include <proto/intuition.h>

#include <cstdio>

// Intuition's interface, by the name the system headers declare; held only
// while the requester is shown.
struct IntuitionIFace *IIntuition = nullptr;

namespace {

const char kRequesterTitle[] = "Quintar C-Engine";
const char kRequesterBody[] =
    "OK, bin da.\n\nQuintar C-Engine wurde gestartet.\nKeine Schachberechnung ausgefuehrt.";
const char kRequesterGadget[] = "OK";

int show_startup_requester() {
    struct Library *intuition = IExec->OpenLibrary("intuition.library", 50);
    if (intuition) {
        IIntuition = reinterpret_cast<struct IntuitionIFace *>(
            IExec->GetInterface(intuition, "main", 1, nullptr));
    }
    if (!IIntuition) {
        if (intuition) IExec->CloseLibrary(intuition);
        std::fputs("Quintar C-Engine: started, but cannot open intuition.library\n", stderr);
        return 2;
    }

    // The body is shown as it stands: it holds no format directives, so no
    // argument list is passed.  No flags: no screen or tag list of its own.
    struct EasyStruct easy = {};
    easy.es_StructSize = sizeof(struct EasyStruct);
    easy.es_Flags = 0;
    easy.es_Title = kRequesterTitle;
    easy.es_TextFormat = kRequesterBody;
    easy.es_GadgetFormat = kRequesterGadget;
    IIntuition->EasyRequestArgs(nullptr, &easy, nullptr, nullptr);

    IExec->DropInterface(reinterpret_cast<struct Interface *>(IIntuition));
    IIntuition = nullptr;
    IExec->CloseLibrary(intuition);
    return 0;
}

}  // namespace

int platform_startup_notice(int argc) {
    if (argc < 2) return show_startup_requester();
    return -1;
}
