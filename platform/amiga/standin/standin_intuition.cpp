// Intuition of the stand-in: the easy requester is journaled (or described
// on standard error when no journal is kept) and answered with its first
// gadget at once, as if the user had clicked it.
#include "platform/amiga/standin/standin.h"
#include "platform/amiga/standin/standin_objects.h"

#include <proto/intuition.h>

#include <cstdio>
#include <string>

namespace {

// C-style escaping, so that the journal keeps one call per line and the
// requester's text can be compared byte for byte.
std::string escaped(const char *text) {
    if (!text) return "(null)";
    std::string out = "\"";
    for (const char *p = text; *p; ++p) {
        switch (*p) {
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (static_cast<unsigned char>(*p) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(*p));
                    out += buf;
                } else {
                    out += *p;
                }
        }
    }
    return out + "\"";
}

IntuitionIFace intuition_iface = {{&standin_intuition_library, 1, 1}};

}  // namespace

int32 IntuitionIFace::EasyRequestArgs(Window *window, const EasyStruct *easy, uint32 *idcmp,
                                      APTR args) {
    if (standin_intuition_library.interfaces <= 0 ||
        reinterpret_cast<Interface *>(this) != standin_intuition_library.main_interface) {
        standin_log("error EasyRequestArgs through an interface not held");
        return 0;
    }
    if (!easy || easy->es_StructSize != sizeof(EasyStruct)) {
        standin_log("error EasyRequestArgs with a bad requester description");
        return 0;
    }
    standin_log("EasyRequestArgs window=%s flags=%u idcmp=%s args=%s title=%s body=%s gadgets=%s",
                window ? "set" : "none", unsigned(easy->es_Flags), idcmp ? "set" : "none",
                args ? "set" : "none", escaped(easy->es_Title).c_str(),
                escaped(easy->es_TextFormat).c_str(), escaped(easy->es_GadgetFormat).c_str());
    if (!standin_logging()) {
        std::fprintf(stderr, "[requester] %s\n%s\n[%s]\n", easy->es_Title, easy->es_TextFormat,
                     easy->es_GadgetFormat);
    }
    return 1;
}

Library standin_intuition_library = {"intuition.library", 54, 0, 0,
                                     reinterpret_cast<Interface *>(&intuition_iface)};

Library *standin_library_of(Interface *iface) {
    // Only the interfaces the stand-in handed out, each by its own library.
    Library *lib = iface ? iface->Data.LibBase : nullptr;
    if (lib != &standin_intuition_library && lib != &standin_timer_device) return nullptr;
    return lib->main_interface == iface ? lib : nullptr;
}
