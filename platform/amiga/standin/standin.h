// Linux stand-in for the AmigaOS services the AmigaOS front end uses.  It
// behaves as the system would for one program run and keeps a journal of
// every call, so that tests can see what the program asked for, what the
// requester showed, and whether everything obtained was given back.
//
// Environment of the stand-in (read once):
//   QUIN_STANDIN_LOG   path of the journal (appended, one call per line);
//                      without it the requester is described on stderr.
//   QUIN_STANDIN_FAIL  comma-separated list of services to refuse:
//                      library, interface, port, request, device, atexit.
#pragma once

// True when the named service is to be refused.
bool standin_refuses(const char *service);
// Appends one line to the journal (printf-like, newline added).
void standin_log(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Whether a journal is being kept.
bool standin_logging();
// Count of objects handed out and not yet given back.
void standin_acquired();
void standin_released();
