// Start-up notice of the AmigaOS build: a program started without
// arguments (from the Shell or from the Workbench) has no UCI session, so it
// tells the user that it is alive with an easy requester and ends.
#include "platform/platform.h"
#include "platform/amiga/amiga_os.h"

#include <cstdio>

namespace {

const char kRequesterTitle[] = "Quintar C-Engine";
const char kRequesterBody[] =
    "OK, bin da.\n\nQuintar C-Engine wurde gestartet.\nKeine Schachberechnung ausgefuehrt.";
const char kRequesterGadget[] = "OK";

int show_startup_requester() {
    Library *intuition = IExec->OpenLibrary(IExec, "intuition.library", 50);
    Interface *iface =
        intuition ? IExec->GetInterface(IExec, intuition, "main", 1, nullptr) : nullptr;
    if (!iface) {
        if (intuition) IExec->CloseLibrary(IExec, intuition);
        std::fputs("Quintar C-Engine: started, but cannot open intuition.library\n", stderr);
        return 2;
    }
    IntuitionIFace *intuition_iface = reinterpret_cast<IntuitionIFace *>(iface);

    // The body is shown as it stands: it holds no format directives, so no
    // argument list is passed.
    EasyStruct easy = {};
    easy.es_StructSize = sizeof(EasyStruct);
    easy.es_Flags = 0;
    easy.es_Title = kRequesterTitle;
    easy.es_TextFormat = kRequesterBody;
    easy.es_GadgetFormat = kRequesterGadget;
    intuition_iface->EasyRequestArgs(intuition_iface, nullptr, &easy, nullptr, nullptr);

    IExec->DropInterface(IExec, iface);
    IExec->CloseLibrary(IExec, intuition);
    return 0;
}

}  // namespace

int platform_startup_notice(int argc) {
    if (argc < 2) return show_startup_requester();
    return -1;
}
