// Exec of the stand-in: libraries, interfaces, message ports, I/O requests
// and devices, each checked the way a careful system would check them.
#include "platform/amiga/standin/standin.h"
#include "platform/amiga/standin/standin_objects.h"

#include <devices/timer.h>
#include <proto/exec.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct StandinConfig {
    bool loaded = false;
    std::string log_path;
    std::string refused;
};

StandinConfig &config() {
    static StandinConfig c;
    if (!c.loaded) {
        c.loaded = true;
        if (const char *p = std::getenv("QUIN_STANDIN_LOG")) c.log_path = p;
        if (const char *f = std::getenv("QUIN_STANDIN_FAIL")) c.refused = f;
    }
    return c;
}

int outstanding = 0;

// Reports objects that were never given back when the program ends.  It is
// constructed before main, so it runs after every exit clean-up of the
// program itself.
struct BalanceCheck {
    BalanceCheck() { config(); }
    ~BalanceCheck() { standin_log("exit outstanding=%d", outstanding); }
} balance_check;

Library *find_library(CONST_STRPTR name) {
    if (name && std::strcmp(name, "intuition.library") == 0) return &standin_intuition_library;
    return nullptr;
}

// The requests this stand-in hands out carry a header of its own in front,
// since its pointers are wider than the target's and the caller's 40 bytes
// would not hold the request's pointer fields here.
struct RequestBlock {
    ULONG asked_size;
    bool device_open;
    TimeRequest request;
};

// The timer's request on the 32-bit target (header and time value); a
// smaller request cannot open the device.
constexpr uint32 kTargetTimeRequestBytes = 40;

RequestBlock *block_of(IORequest *req) {
    return reinterpret_cast<RequestBlock *>(reinterpret_cast<char *>(req) -
                                            offsetof(RequestBlock, request));
}

ExecIFace exec_iface = {};

}  // namespace

Library *ExecIFace::OpenLibrary(CONST_STRPTR name, uint32 version) {
    Library *lib = find_library(name);
    if (!lib || version > lib->version || standin_refuses("library")) {
        standin_log("OpenLibrary %s %u failed", name ? name : "(null)", unsigned(version));
        return nullptr;
    }
    lib->open_count++;
    standin_acquired();
    standin_log("OpenLibrary %s %u ok", name, unsigned(version));
    return lib;
}

APTR ExecIFace::CloseLibrary(Library *lib) {
    if (!lib) return nullptr;
    if (lib->open_count <= 0) {
        standin_log("error CloseLibrary %s not open", lib->name);
        return nullptr;
    }
    if (lib->open_count == 1 && lib->interfaces > 0)
        standin_log("error CloseLibrary %s with %d interfaces still held", lib->name,
                    lib->interfaces);
    lib->open_count--;
    standin_released();
    standin_log("CloseLibrary %s", lib->name);
    return nullptr;
}

Interface *ExecIFace::GetInterface(Library *lib, CONST_STRPTR name, uint32 version,
                                   const TagItem *) {
    const char *lib_name = lib ? lib->name : "(null)";
    if (!lib || lib->open_count <= 0) {
        standin_log("error GetInterface %s library not open", lib_name);
        return nullptr;
    }
    if (!name || std::strcmp(name, "main") != 0 || version > 1 || standin_refuses("interface")) {
        standin_log("GetInterface %s %s %u failed", lib_name, name ? name : "(null)",
                    unsigned(version));
        return nullptr;
    }
    lib->interfaces++;
    standin_acquired();
    standin_log("GetInterface %s %s %u ok", lib_name, name, unsigned(version));
    return lib->main_interface;
}

void ExecIFace::DropInterface(Interface *iface) {
    if (!iface) return;
    Library *lib = standin_library_of(iface);
    if (!lib || lib->interfaces <= 0) {
        standin_log("error DropInterface of an interface not held");
        return;
    }
    lib->interfaces--;
    standin_released();
    standin_log("DropInterface %s main", lib->name);
}

MsgPort *ExecIFace::CreateMsgPort() {
    if (standin_refuses("port")) {
        standin_log("CreateMsgPort failed");
        return nullptr;
    }
    MsgPort *port = new MsgPort();
    standin_acquired();
    standin_log("CreateMsgPort ok");
    return port;
}

void ExecIFace::DeleteMsgPort(MsgPort *port) {
    if (!port) return;
    if (port->requests > 0)
        standin_log("error DeleteMsgPort with %d requests still attached", port->requests);
    delete port;
    standin_released();
    standin_log("DeleteMsgPort");
}

IORequest *ExecIFace::CreateIORequest(const MsgPort *port, uint32 size) {
    if (!port) {
        standin_log("CreateIORequest %u failed without port", unsigned(size));
        return nullptr;
    }
    // Smaller than the target's 32-byte request header: refused.
    if (size < 32 || standin_refuses("request")) {
        standin_log("CreateIORequest %u failed", unsigned(size));
        return nullptr;
    }
    // The request keeps its reply port, as the system's does.
    MsgPort *reply = const_cast<MsgPort *>(port);
    RequestBlock *block = new RequestBlock();
    block->asked_size = size;
    block->request.Request.io_Message.mn_ReplyPort = reply;
    block->request.Request.io_Message.mn_Length = static_cast<UWORD>(size);
    reply->requests++;
    standin_acquired();
    standin_log("CreateIORequest %u ok", unsigned(size));
    return &block->request.Request;
}

void ExecIFace::DeleteIORequest(IORequest *req) {
    if (!req) return;
    RequestBlock *block = block_of(req);
    if (block->device_open) standin_log("error DeleteIORequest while its device is open");
    MsgPort *port = req->io_Message.mn_ReplyPort;
    if (port) port->requests--;
    delete block;
    standin_released();
    standin_log("DeleteIORequest");
}

int32 ExecIFace::OpenDevice(CONST_STRPTR name, uint32 unit, IORequest *req, uint32 flags) {
    const BYTE kOpenFail = -1;
    if (!req) return kOpenFail;
    RequestBlock *block = block_of(req);
    bool known = name && std::strcmp(name, "timer.device") == 0 && unit <= 4;
    if (!known || block->asked_size < kTargetTimeRequestBytes || standin_refuses("device")) {
        standin_log("OpenDevice %s %u failed", name ? name : "(null)", unsigned(unit));
        req->io_Error = kOpenFail;
        return kOpenFail;
    }
    Library *dev = &standin_timer_device;
    dev->open_count++;
    block->device_open = true;
    req->io_Device = reinterpret_cast<Device *>(dev);
    req->io_Error = 0;
    standin_acquired();
    standin_log("OpenDevice %s %u flags=%u ok", name, unsigned(unit), unsigned(flags));
    return 0;
}

APTR ExecIFace::CloseDevice(IORequest *req) {
    if (!req) return nullptr;
    RequestBlock *block = block_of(req);
    Library *dev = reinterpret_cast<Library *>(req->io_Device);
    if (!block->device_open || !dev) {
        standin_log("error CloseDevice on a request without an open device");
        return nullptr;
    }
    if (dev->open_count == 1 && dev->interfaces > 0)
        standin_log("error CloseDevice %s with %d interfaces still held", dev->name,
                    dev->interfaces);
    dev->open_count--;
    block->device_open = false;
    req->io_Device = nullptr;
    standin_released();
    standin_log("CloseDevice %s", dev->name);
    return nullptr;
}

ExecIFace *IExec = &exec_iface;

bool standin_refuses(const char *service) {
    const std::string &list = config().refused;
    size_t len = std::strlen(service);
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(',', pos);
        if (end == std::string::npos) end = list.size();
        if (end - pos == len && list.compare(pos, len, service) == 0) return true;
        pos = end + 1;
    }
    return false;
}

bool standin_logging() { return !config().log_path.empty(); }

void standin_log(const char *format, ...) {
    const std::string &path = config().log_path;
    if (path.empty()) return;
    FILE *f = std::fopen(path.c_str(), "a");
    if (!f) return;
    va_list ap;
    va_start(ap, format);
    std::vfprintf(f, format, ap);
    va_end(ap);
    std::fputc('\n', f);
    std::fclose(f);
}

void standin_acquired() { outstanding++; }
void standin_released() { outstanding--; }
