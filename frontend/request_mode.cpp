// Request-file protocol: one request file in, one search, one response file
// out (published by renaming a temporary file), or nothing at all when the
// host cancels the search through the cancel file.
//
// The engine's files stand next to the request, often in a folder that
// other users can write to, under names anyone can predict.  Each is made by
// platform_create_new: never through a link planted at the name, and never
// in place of something that appears there meanwhile (that counts as a
// failure to create the file).
#include "frontend/request_mode.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {

const char kHeader[] = "QUINTAR_C_REQUEST_1";
const char kPositionStart[] = "position startpos";
const char kNoMove[] = "Keine gueltige Stellung oder kein legaler Zug";

constexpr int kLineBuffer = 16384;  // lines 1, 3, 4 and the preference lines
constexpr int kTokenBuffer = 128;   // line 2: at most 127 bytes of token
constexpr size_t kMaxPathLength = 3900;

// Line reads with the semantics of fgets (at most cap - 1 bytes, stopping
// after a newline), plus a two-byte push-back used after the token line.
struct LineReader {
    FILE *f;
    int pending[2];
    int npending;

    int get() {
        if (npending > 0) return pending[--npending];
#ifdef _WIN32
        return _getc_nolock(f);
#else
        return getc_unlocked(f);
#endif
    }
    void unget(int c) { pending[npending++] = c; }

    // Reads one line into buf (NUL-terminated).  Returns the number of bytes
    // read, or -1 when the input ended before any byte.
    int read(char *buf, int cap) {
        int n = 0;
        while (n < cap - 1) {
            int c = get();
            if (c == EOF) break;
            buf[n++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        buf[n] = 0;
        return n == 0 ? -1 : n;
    }

    // A line read cut at its first "\r" or "\n" (also cut at a zero byte,
    // since the text is used as a C string).
    bool line(char *buf, int cap) {
        if (read(buf, cap) < 0) return false;
        buf[strcspn(buf, "\r\n")] = 0;
        return true;
    }
};

// Reads the token line.  A token line longer than 127 bytes leaves its rest
// to be read as the parameter line.  A line that just fits leaves at most
// its line end behind; that line end belongs to the token line and is
// consumed here, so that a token of 127 bytes is not followed by an empty
// parameter line.
bool read_token_line(LineReader &rd, char *token) {
    int n = rd.read(token, kTokenBuffer);
    if (n < 0) return false;
    if (n == kTokenBuffer - 1 && token[n - 1] != '\n') {
        int c = rd.get();
        if (c == '\n') {
            // line end (or the "\n" of a "\r\n" split by the buffer) consumed
        } else if (c == '\r' && token[n - 1] != '\r') {
            int c2 = rd.get();
            if (c2 != '\n') {
                rd.unget(c2);
                rd.unget(c);
            }
        } else {
            rd.unget(c);
        }
    }
    token[strcspn(token, "\r\n")] = 0;
    return true;
}

// Reads the preference lines that follow the position, up to 256 entries;
// lines without all three fields are skipped.
void read_preferences(LineReader &rd, char *buf) {
    pref_count = 0;
    while (pref_count < kPrefEntries && rd.line(buf, kLineBuffer)) {
        char move[8];
        double value, bonus;
        if (sscanf(buf, "%7s %lf %lf", move, &value, &bonus) != 3) continue;
        memcpy(pref_move[pref_count], move, sizeof move);
        pref_value[pref_count] = value;
        pref_bonus[pref_count] = bonus;
        ++pref_count;
    }
}

// path followed by suffix into out (capacity kPathCapacity); the path
// length has been checked by the caller.
void name_with(char *out, const char *path, const char *suffix) {
    snprintf(out, kPathCapacity, "%s%s", path, suffix);
}

// Writes the ERROR response with token and message to the temporary file
// and publishes it.  Silent: a failure only leaves no response (and no
// temporary file) behind.
void publish_error(const char *path, const char *token, const char *message) {
    char response[kPathCapacity], temporary[kPathCapacity];
    name_with(response, path, ".response");
    name_with(temporary, path, ".response.tmp");
    FILE *f = platform_create_new(temporary);
    if (!f) return;
    bool written = fprintf(f, "%s\nERROR\n%s\n", token, message) >= 0;
    bool closed = fclose(f) == 0;
    if (!written || !closed || rename(temporary, response) != 0) remove(temporary);
}

}  // namespace

const char *request_read(FILE *in, RequestFile *r) {
    static char buf[kLineBuffer];
    memset(r, 0, sizeof *r);
    LineReader rd{in, {0, 0}, 0};

    if (!rd.line(buf, kLineBuffer)) return "Missing request header";
    bool header_ok = strcmp(buf, kHeader) == 0;

    if (!read_token_line(rd, r->token)) return "Missing request token";
    r->has_token = true;
    if (!r->token[0]) return "Empty request token";
    if (!header_ok) return "Invalid request header";

    if (!rd.line(buf, kLineBuffer)) return "Invalid search parameters";
    if (sscanf(buf, "%lf %ld %ld %ld %ld %ld %ld", &r->ms, &r->depth, &r->hash, &r->move_cache,
               &r->pawn_cache, &r->learning, &r->endok) < 7)
        return "Invalid search parameters";
    // Written so that a time that is not a number is out of range as well.
    if (!(r->ms >= 1 && r->ms <= 300000) || r->depth < 1 || r->depth > 8 ||
        (r->hash != 0 && r->hash != 512 && r->hash != 1024))
        return "Search parameters out of range";

    if (!rd.line(buf, kLineBuffer)) return "Missing position";
    r->position_valid = false;
    if (strncmp(buf, kPositionStart, sizeof kPositionStart - 1) == 0) {
        set_fen(start_fen);
        char *moves = strstr(buf, " moves ");
        r->position_valid = !moves || apply_uci_list(moves + 7) != 0;
    }

    read_preferences(rd, buf);
    return nullptr;
}

void request_search(const RequestFile &r) {
    computerDepth = static_cast<double>(r.depth);
    computerThinkSeconds = r.ms / 1000;
    SetEvalHash(static_cast<double>(r.hash));
    moveHashEnabled = static_cast<double>(r.move_cache);
    pawnCacheEnabled = static_cast<double>(r.pawn_cache);
    learningEnabled = static_cast<double>(r.learning);
    endLearnFileOK = static_cast<double>(r.endok);
    computerPlayer = currentPlayer;
    CalculateBestMove();
}

int request_write_response(FILE *out, const RequestFile &r) {
    if (!r.position_valid || computerBestFromX < 0)
        return fprintf(out, "%s\nERROR\n%s\n", r.token, kNoMove) >= 0;
    bool ok = fprintf(out, "%s\nOK\n%s\n%.15g\n%d\n%.0f\n%.0f\n%.0f\n%.0f\n", r.token,
                      computerBestMove_s.v, computerScore, static_cast<int>(computerReachedDepth),
                      computerNodes, computerSearchMilliseconds, learningChoiceUsed,
                      computerLegalMoves) >= 0;
    for (int i = 0; i < 12 && ok; ++i)
        ok = fprintf(out, "%.0f %.0f %.0f %.0f %.0f %.0f\n", preferredPVValid[i],
                     preferredPVFromX[i], preferredPVFromY[i], preferredPVToX[i], preferredPVToY[i],
                     preferredPVPiece[i]) >= 0;
    return ok;
}

void request_failure(const char *path, const char *token, const char *message) {
    fprintf(stderr, "Quintar request error: %s\n", message);
    if (strlen(path) > kMaxPathLength) return;
    char error_name[kPathCapacity];
    name_with(error_name, path, ".error.txt");
    if (FILE *f = platform_create_new(error_name)) {
        fprintf(f, "%s\n", message);
        fclose(f);
    }
    if (!token || !token[0]) return;
    publish_error(path, token, message);
}

int request_mode(const char *path) {
    if (strlen(path) > kMaxPathLength) {
        request_failure(path, nullptr, "Request path too long");
        return 2;
    }
    char response[kPathCapacity], temporary[kPathCapacity];
    name_with(response, path, ".response");
    name_with(temporary, path, ".response.tmp");
    // From here on the search's stop test looks for the cancel file.
    name_with(request_cancel, path, ".cancel");

    // Only a regular file is read: a named pipe, a device or a folder at
    // the name is refused as a request that cannot be opened, before any
    // read could wait on it.
    FILE *in = platform_open_regular(path);
    if (!in) {
        request_failure(path, nullptr, "Cannot open request file");
        return 2;
    }
    static RequestFile r;
    const char *failure = request_read(in, &r);
    fclose(in);
    if (failure) {
        request_failure(path, r.has_token ? r.token : nullptr, failure);
        return 2;
    }

    if (r.position_valid) request_search(r);
    if (stop_requested.load()) {
        // Cancelled by the host: withdraw the request, publish nothing.
        remove(path);
        remove(request_cancel);
        return 0;
    }

    FILE *out = platform_create_new(temporary);
    if (!out) {
        request_failure(path, r.token, "Cannot create response file");
        return 2;
    }
    bool written = request_write_response(out, r) != 0;
    written = (fflush(out) == 0) && written;
    bool closed = fclose(out) == 0;
    if (!written || !closed) {
        // A half-written temporary file is of no use to anyone.
        remove(temporary);
        request_failure(path, r.token, "Cannot write response file");
        return 2;
    }
    if (rename(temporary, response) != 0) {
        remove(temporary);
        request_failure(path, r.token, "Cannot publish response file");
        return 2;
    }
    return 0;
}
