// Request-file protocol, split into reading, searching and answering so that
// any file content can be driven through the reader without touching the
// file system (the fuzz target does exactly that).
#pragma once

#include "frontend/quintar.h"

#include <cstdio>

// Everything the engine learns from one request file.
struct RequestFile {
    char token[128];  // line 2, at most 127 bytes; empty until read
    bool has_token;   // line 2 was read (an empty token counts as read)
    double ms;        // thinking time in milliseconds
    long depth;       // iteration depth limit
    long hash;        // evaluation-cache size in KB: 0, 512 or 1024
    long move_cache;  // switches, stored as they come
    long pawn_cache;
    long learning;
    long endok;
    bool position_valid;  // "position startpos" and every listed move legal
};

// Reads a request from `in`: checks the header, token and search parameters,
// loads the position (start position plus the listed moves) and fills the
// preference table.  Returns the failure message, or nullptr when the
// request could be read (the position may still be invalid).  The token is
// filled in as soon as it is known, also on failure.
const char *request_read(FILE *in, RequestFile *r);

// Sets the limits and switches of a readable request and searches for the
// side to move.  Only for requests whose position is valid.
void request_search(const RequestFile &r);

// Writes the response for a read request to `out`: the OK response when the
// position was valid and the search found a move, else the ERROR response.
// Returns 1 when every write succeeded.
int request_write_response(FILE *out, const RequestFile &r);
