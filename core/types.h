// The engine's fixed encodings, named once: piece and side codes, scores,
// the move code and the piece values.  The core keeps its numbers as
// doubles; these constants and helpers give them their meaning.
#pragma once

#include <cassert>
#include <type_traits>

// ------------------------------------------------------------------ sides
// Side codes: White 1, Black 2; the opponent of p is 3 - p.  0 is "no side"
// (an empty square).
enum Side : int { kNoSide = 0, kWhite = 1, kBlack = 2 };
constexpr Side opponent_of(int side) { return static_cast<Side>(3 - side); }

// ----------------------------------------------------------------- pieces
// Piece types: pawn 1, rook 2, knight 3, bishop 4, queen 5, king 6; 0 an
// empty square.  A piece code (Piece) is its type for White, its type plus
// kBlackOffset for Black, 0 for an empty square; the board's doubles hold
// the same numbers.
enum PieceType : int { kEmpty = 0, kPawn = 1, kRook = 2, kKnight = 3, kBishop = 4, kQueen = 5, kKing = 6 };
enum Piece : int { kNoPiece = 0 };
constexpr int kBlackOffset = 10;

// The piece code of `type` for `side`.
constexpr Piece make_piece(int side, int type) {
    return static_cast<Piece>(side == kBlack ? type + kBlackOffset : type);
}

// The side that owns a piece code: kWhite, kBlack, or kNoSide for an empty
// square.
constexpr Side colour_of(int piece) {
    return piece == kEmpty ? kNoSide : (piece > kBlackOffset ? kBlack : kWhite);
}
constexpr Side colour_of(double piece) { return colour_of(static_cast<int>(piece)); }

// The piece type of a code (kPawn..kKing), kEmpty for an empty square.  (A
// code that names no piece gives a number outside them.)
constexpr PieceType type_of(int piece) {
    return static_cast<PieceType>(piece > kBlackOffset ? piece - kBlackOffset : piece);
}
constexpr PieceType type_of(double piece) { return type_of(static_cast<int>(piece)); }

// Material values by piece type, in centipawns, as the capture ordering uses
// them (index by type_of; 0 for an empty square).
constexpr int kPieceValue[7] = {0, 100, 500, 320, 330, 900, 1000};

// Calls f(std::integral_constant<int, T>()) with T the piece type `type`
// (kPawn..kKing), or kEmpty for any other value, and returns f's result:
// loops over one piece's moves get a copy per type with the type's rules
// folded in.
template <class F>
inline decltype(auto) with_piece_type(int type, F &&f) {
    switch (type) {
        case kPawn: return f(std::integral_constant<int, kPawn>());
        case kRook: return f(std::integral_constant<int, kRook>());
        case kKnight: return f(std::integral_constant<int, kKnight>());
        case kBishop: return f(std::integral_constant<int, kBishop>());
        case kQueen: return f(std::integral_constant<int, kQueen>());
        case kKing: return f(std::integral_constant<int, kKing>());
        default: return f(std::integral_constant<int, kEmpty>());
    }
}

// ----------------------------------------------------------------- scores
// Scores are doubles from White's point of view: White maximises, Black
// minimises, 0 is a draw.
constexpr double kMateScore = 900000;       // a side mated at level L: -(900000 - L) or +
constexpr double kInfiniteScore = 1000000;  // the starting best score of a node
constexpr double kDecisiveScore = 800000;   // |score| at or above this is a mate score

// The score of `side` being mated at search level `level`: negative when
// White is mated, positive when Black is.
constexpr double mated_score(int side, double level) {
    return side == kWhite ? -(kMateScore - level) : kMateScore - level;
}
// The score a node of `side` starts from before any move is tried: the worst
// possible for that side.
constexpr double worst_score(int side) { return side == kWhite ? -kInfiniteScore : kInfiniteScore; }

// ---------------------------------------------------------------- squares
// A square of the integer code, numbered in board order y * 8 + x (a8 0, h1
// 63: core/board/geometry.h); kNoSquare for none.  The double board's
// (x, y) pairs become squares at the boundary with it.
enum Square : int { kNoSquare = -1 };

// ------------------------------------------------------------------- moves
// A move of the integer code: its two squares and, for a pawn that reaches
// the last rank, the piece type it becomes (kEmpty for every other move).
struct Move {
    Square from, to;
    PieceType promotion;
};

// Move code: (fromY * 8 + fromX) * 64 + toY * 8 + toX, 0 to 4095.  It keys
// the history scores, the root result tables and the move hash.
constexpr int kMoveCodes = 4096;
constexpr int move_code(int fx, int fy, int tx, int ty) { return fy * 512 + fx * 64 + ty * 8 + tx; }
constexpr double move_code(double fx, double fy, double tx, double ty) {
    return fy * 512 + fx * 64 + ty * 8 + tx;
}
constexpr int move_from_x(int code) { return (code >> 6) & 7; }
constexpr int move_from_y(int code) { return code >> 9; }
constexpr int move_to_x(int code) { return code & 7; }
constexpr int move_to_y(int code) { return (code >> 3) & 7; }
// The code is the from square times 64 plus the to square.
constexpr Square move_from(int code) { return static_cast<Square>(code >> 6); }
constexpr Square move_to(int code) { return static_cast<Square>(code & 63); }

// ------------------------------------------------------------ move lists
// Entries per level of the capture and quiet lists (innerCaptures,
// historyQuietMoves): level L owns rows L * kListEntriesPerLevel onwards.
constexpr int kListEntriesPerLevel = 256;

// Columns of a row of the move lists (innerCaptures, historyQuietMoves,
// rootCaptures): the move's squares, then its ordering score; the last
// column is not used.
constexpr int kColFromX = 0;
constexpr int kColFromY = 1;
constexpr int kColToX = 2;
constexpr int kColToY = 3;
constexpr int kColScore = 4;
constexpr int kListColumns = 6;

// Columns of a row of the root results (rootCurrentResult,
// rootPreviousResult): the move code, then the score seen from the engine's
// side; the last column is not used.
constexpr int kResultCode = 0;
constexpr int kResultScore = 1;
constexpr int kResultColumns = 3;

// The killer table (killerMoves): per level kKillerSlots slots of
// kKillerFields fields each, the move's squares in the order of the first
// four list columns (kColFromX .. kColToY); -1 marks an empty slot.
constexpr int kKillerSlots = 2;
constexpr int kKillerFields = 4;

// ------------------------------------------------------------ quiet search
// The arguments with which the main search starts the limited quiet search
// at a leaf: plies of tactical search, checks, forks and support moves the
// line may spend, no fork to answer, no chain of kept plies.
constexpr int kQuietStartRemaining = 4;
constexpr int kQuietStartChecks = 3;
constexpr int kNoForkReply = 0;
constexpr int kNoChainKeep = 0;

// ---------------------------------------------------------------- indices
// A double used as a table index (a level, a square, a list slot).  Debug
// builds assert that it is a whole number in [0, bound); release builds
// (NDEBUG) only convert.
inline int to_index(double value, int bound) {
    assert(value >= 0 && value < bound && value == static_cast<double>(static_cast<int>(value)));
    return static_cast<int>(value);
}
