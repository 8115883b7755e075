// The limited quiet search at the leaves of the main search.  Past the
// horizon it keeps following only the moves that can swing material or
// king safety: captures while the capture budget lasts, recaptures,
// checking captures, promotions, en-passant captures, pawn forks and
// bishop support moves, every move when in check or facing a fork, and in a
// second pass quiet checks under tight budgets.  Every node also recognises
// mate, stalemate, repetition, the fifty-move rule and dead material.
//
// The search works on the global board through the per-level state stack
// and allocates nothing; the candidate squares come from a small per-piece
// generator shared with the legal-move test.
#include "../quin_core.h"

namespace {

constexpr double kNoScore = 1000000;

inline int piece_at(int x, int y) { return static_cast<int>(board[x][y]); }
inline int abs_int(int v) { return v < 0 ? -v : v; }

// Candidate rows of a piece, already clamped to the board.
inline void candidate_rows(int type, int player, int fy, int &firstRow, int &lastRow) {
    switch (type) {
        case 1:
            if (player == 1) {
                firstRow = fy == 6 ? fy - 2 : fy - 1;
                lastRow = fy - 1;
            } else {
                firstRow = fy + 1;
                lastRow = fy == 1 ? fy + 2 : fy + 1;
            }
            break;
        case 3:
            firstRow = fy - 2;
            lastRow = fy + 2;
            break;
        case 6:
            firstRow = fy - 1;
            lastRow = fy + 1;
            break;
        default:
            firstRow = 0;
            lastRow = 7;
            break;
    }
    if (firstRow < 0) firstRow = 0;
    if (lastRow > 7) lastRow = 7;
}

// Candidate columns of row ty as first, last and step, pulled onto the board
// by whole steps.  Returns false when the row has no candidate.
inline bool candidate_columns(int type, int player, int fx, int fy, int ty, int &firstX, int &lastX,
                              int &step) {
    const int dy = abs_int(ty - fy);
    switch (type) {
        case 1:
            if (ty == fy + (player == 1 ? -1 : 1)) {
                firstX = fx - 1;
                lastX = fx + 1;
            } else {
                firstX = lastX = fx;
            }
            step = 1;
            break;
        case 3: {
            if (dy == 0) return false;
            const int jumpX = dy == 1 ? 2 : 1;
            firstX = fx - jumpX;
            lastX = fx + jumpX;
            step = 2 * jumpX;
            break;
        }
        case 2:
            if (dy == 0) {
                firstX = 0;
                lastX = 7;
            } else {
                firstX = lastX = fx;
            }
            step = 1;
            break;
        case 4:
            if (dy == 0) return false;
            firstX = fx - dy;
            lastX = fx + dy;
            step = 2 * dy;
            break;
        case 5:
            if (dy == 0) {
                firstX = 0;
                lastX = 7;
                step = 1;
            } else {
                firstX = fx - dy;
                lastX = fx + dy;
                step = dy;
            }
            break;
        case 6:
            if (dy == 0) {
                firstX = fx - 2;
                lastX = fx + 2;
            } else {
                firstX = fx - 1;
                lastX = fx + 1;
            }
            step = 1;
            break;
        default: return false;
    }
    while (firstX < 0) firstX += step;
    while (lastX > 7) lastX -= step;
    return firstX <= lastX;
}

// Whether the piece arriving on (tx, ty) would attack the king square by its
// own geometry (no path test: that is left to the full check test).
inline bool direct_check_geometry(int type, int player, int tx, int ty, int kingX, int kingY) {
    const int adx = abs_int(tx - kingX);
    const int ady = abs_int(ty - kingY);
    switch (type) {
        case 1: return adx == 1 && kingY == (player == 1 ? ty - 1 : ty + 1);
        case 3: return adx * ady == 2;
        case 2: return tx == kingX || ty == kingY;
        case 4: return adx == ady;
        case 5: return tx == kingX || ty == kingY || adx == ady;
        default: return false;
    }
}

double quiet_node(int player, int remaining, int level, double alpha, double beta, int checksLeft,
                  int forkReply, int chainKeep) {
    if (SearchTimeExpired() == 1) return 0;
    if (IsSearchRepetition(player, level) == 1) return 0;

    if (remaining > 11 - level) remaining = 11 - level;
    const bool inCheck = IsPlayerInCheck(player) == 1;
    const int opponent = 3 - player;
    const double levelD = level;

    // The opponent threatens a pawn fork: answer with every move.
    if (level < 8 && checksLeft >= 2 && remaining >= 2 && forkReply == 0 && !inCheck &&
        quietCheckNodes < zevivEzezoZtartLimit && HasPawnForkThreat(opponent) == 1)
        forkReply = 2;
    // A knight of the opponent has just jumped into a fork of a major piece.
    if (level >= 2 && level < 8 && !inCheck && remaining >= 2 && forkReply == 0 &&
        checksLeft == 3 && levelD == searchIterationDepth &&
        HasKnightForkThreat(opponent, level) == 1)
        forkReply = 1;

    const int followReserve =
        (checksLeft == 2 && quietCheckActive > 0 && !inCheck && forkReply == 0 && level < 9 &&
         levelD == searchIterationDepth + 2 && quietCheckNodes >= zevivEzezoZtartLimit)
            ? 1
            : 0;
    int reservedChecks =
        (!inCheck && forkReply == 0 && checksLeft == 3 && levelD == searchIterationDepth)
            ? 2
            : followReserve;

    // A loose enemy minor piece under the queen's attack: bishop moves that
    // add a second attacker to it are searched as support moves.
    bool hasSupportTarget = false;
    int supportX = 0, supportY = 0;
    if (level < 7 && (chainKeep > 0 || remaining >= 2) && checksLeft >= 2 && !inCheck &&
        forkReply == 0 && quietCheckActive > 0 && levelD == searchIterationDepth + 2) {
        const double supportTarget = QueenMinorTarget(player);
        if (supportTarget > 0) {
            hasSupportTarget = true;
            supportX = static_cast<int>(Int((supportTarget - 1) / 8));
            supportY = static_cast<int>(Mod(supportTarget - 1, 8));
        }
    }

    if (HasQuietLegalMove(player) == 0) {
        if (!inCheck) return 0;
        return player == 1 ? levelD - kMateScore : kMateScore - levelD;
    }

    // Node budgets: past the limit the line only goes one more ply.
    if (quietCheckActive > 0) {
        if (remaining > 1 && quietCheckNodes >= quietCheckLimit) remaining = 1;
        quietCheckNodes += 1;
    } else {
        if (remaining > 1 && quietNodes >= quietNodeLimit) remaining = 1;
        quietNodes += 1;
    }
    if (remaining < 1 && chainKeep > 0 && level < 11) remaining = 1;

    computerNodes += 1;

    if (halfmoveClock >= 100) return 0;
    if (IsInsufficientMaterial() == 1) return 0;

    if (remaining <= 0) {
        if (level < 11 && inCheck)
            remaining = 1;
        else if (level >= 11)
            return EvaluateBoard();
    }

    const double kingPos = FindKing(opponent);
    const int kingX = static_cast<int>(Int(kingPos / 10));
    const int kingY = static_cast<int>(Mod(kingPos, 10));
    // Without an enemy king no move can give check.
    const bool enemyKing = kingPos >= 0;

    const bool forced = inCheck || forkReply != 0;
    double bestScore;
    if (!forced) {
        bestScore = EvaluateBoard();
        if (player == 1) {
            if (bestScore >= beta) return bestScore;
            if (bestScore > alpha) alpha = bestScore;
        } else {
            if (bestScore <= alpha) return bestScore;
            if (bestScore < beta) beta = bestScore;
        }
    } else {
        bestScore = player == 1 ? -kNoScore : kNoScore;
    }

    const int lastQuietPass = forced ? 0 : 1;
    const int keptChain = chainKeep > 1 ? chainKeep - 1 : 0;
    const int keepAfterCheck = followReserve == 1 ? 2 : keptChain;
    const int nextChecks = forkReply == 2 ? checksLeft - 1 : checksLeft;
    int supportCount = 0;
    const double *before = level > 0 ? searchBoard[level - 1] : nullptr;

    // Discovered-check candidates depend only on the node's position, which
    // is the same in both passes: compute each at most once.
    signed char discovered[64];
    for (int i = 0; i < 64; ++i) discovered[i] = -1;

    for (int quietPass = 0; quietPass <= lastQuietPass; ++quietPass) {
        if (quietPass == 1 && (checksLeft <= 0 || level >= 10 ||
                               (quietCheckNodes >= zevivEzezoZtartLimit && reservedChecks <= 0)))
            return bestScore;

        for (int fy = 0; fy < 8; ++fy) {
            for (int fx = 0; fx < 8; ++fx) {
                const int mover = piece_at(fx, fy);
                if (colour_of(mover) != player) continue;
                const int type = type_of(mover);

                int firstRow, lastRow;
                candidate_rows(type, player, fy, firstRow, lastRow);
                for (int ty = firstRow; ty <= lastRow; ++ty) {
                    if (SearchTimeExpired() == 1) return 0;
                    int firstX, lastX, step;
                    if (!candidate_columns(type, player, fx, fy, ty, firstX, lastX, step)) continue;
                    for (int tx = firstX; tx <= lastX; tx += step) {
                        const int target = piece_at(tx, ty);
                        const int targetColour = colour_of(target);
                        // The origin and squares of own pieces are never a
                        // legal move, whatever their classification.
                        if (targetColour == player) continue;
                        const bool capture = targetColour != 0;
                        const bool pawnPriority =
                            type == 1 && remaining > 0 &&
                            (ty == 0 || ty == 7 || (tx == enPassantX && ty == enPassantY));

                        bool tactical;
                        bool quietCheck = false, quietFork = false, supportMove = false;
                        bool moveLegal = false;

                        if (quietPass == 1) {
                            // Only moves to empty squares that give check are
                            // searched here (the node is never forced).
                            if (capture || pawnPriority) continue;
                            if (!enemyKing || level >= 10 || checksLeft <= 0 ||
                                (quietCheckNodes >= zevivEzezoZtartLimit && reservedChecks <= 0))
                                continue;
                            if (!direct_check_geometry(type, player, tx, ty, kingX, kingY)) {
                                signed char &disc = discovered[fy * 8 + fx];
                                if (disc < 0)
                                    disc = static_cast<signed char>(
                                        quiet_discovery_candidate(fx, fy, kingX, kingY, player));
                                if (disc != 1) continue;
                            }
                            if (IsMoveValid(fx, fy, tx, ty) != 1) continue;
                            if (SearchMoveGivesCheck(player, level, fx, fy, tx, ty) != 1) continue;
                            moveLegal = true;
                            tactical = true;
                            quietCheck = true;
                        } else {
                            if (!capture)
                                tactical = forced;
                            else if (remaining > 0)
                                tactical = true;
                            else
                                // A capture on the square where the opponent
                                // has just taken one of ours is a recapture.
                                tactical =
                                    forced ||
                                    (before != nullptr &&
                                     colour_of(static_cast<int>(before[ty * 8 + tx])) == player);
                            if (pawnPriority) tactical = true;

                            if (!tactical && !capture) {
                                // Pawn push that attacks two pieces.
                                if (type == 1 && tx == fx && checksLeft > 0 && remaining > 0 &&
                                    level < 9 && PawnForkTargets(player, tx, ty) == 1) {
                                    tactical = true;
                                    quietFork = true;
                                }
                                // Bishop move adding a second attacker to the
                                // loose minor piece.
                                else if (type == 4 && hasSupportTarget && supportCount < 2 &&
                                         abs_int(tx - supportX) == abs_int(ty - supportY) &&
                                         !(tx == supportX && ty == supportY) &&
                                         PieceAttacksSquare(fx, fy, supportX, supportY) == 0 &&
                                         IsMoveValid(fx, fy, tx, ty) == 1) {
                                    moveLegal = true;
                                    SaveSearchState(level);
                                    MakeSearchMove(fx, fy, tx, ty);
                                    if (PieceAttacksSquare(tx, ty, supportX, supportY) == 1 &&
                                        IsMoveValid(tx, ty, supportX, supportY) == 1) {
                                        supportMove = true;
                                        quietFork = true;
                                        tactical = true;
                                    }
                                    RestoreSearchState(level);
                                }
                            }

                            // A capture that the budget no longer covers is
                            // still searched when it gives check.
                            if (!tactical && capture && level < 10 && enemyKing) {
                                bool mayCheck =
                                    direct_check_geometry(type, player, tx, ty, kingX, kingY);
                                if (!mayCheck) {
                                    signed char &disc = discovered[fy * 8 + fx];
                                    if (disc < 0)
                                        disc = static_cast<signed char>(quiet_discovery_candidate(
                                            fx, fy, kingX, kingY, player));
                                    mayCheck = disc == 1;
                                }
                                if (mayCheck && IsMoveValid(fx, fy, tx, ty) == 1) {
                                    moveLegal = true;
                                    if (SearchMoveGivesCheck(player, level, fx, fy, tx, ty) == 1)
                                        tactical = true;
                                }
                            }
                            if (!tactical) continue;
                        }

                        if (!moveLegal && IsMoveValid(fx, fy, tx, ty) != 1) continue;

                        int nextKeep;
                        if (quietCheck) {
                            if (quietCheckNodes >= zevivEzezoZtartLimit && reservedChecks > 0) {
                                reservedChecks -= 1;
                                nextKeep = 2;
                            } else {
                                nextKeep = keepAfterCheck;
                            }
                        } else {
                            nextKeep = keptChain;
                        }
                        if (supportMove) nextKeep = 2;

                        SaveSearchState(level);
                        MakeSearchMove(fx, fy, tx, ty);
                        double score;
                        if (quietFork || quietCheck) {
                            quietCheckActive += 1;
                            score = quiet_node(opponent, remaining + 1, level + 1, alpha, beta,
                                               checksLeft - 1, quietFork ? 1 : 0, nextKeep);
                            quietCheckActive -= 1;
                        } else {
                            score = quiet_node(opponent, remaining - 1, level + 1, alpha, beta,
                                               nextChecks, 0, nextKeep);
                        }
                        RestoreSearchState(level);
                        if (SearchTimeExpired() == 1) return 0;

                        if (player == 1) {
                            if (score > bestScore) bestScore = score;
                            if (bestScore > alpha) alpha = bestScore;
                        } else {
                            if (score < bestScore) bestScore = score;
                            if (bestScore < beta) beta = bestScore;
                        }
                        if (alpha >= beta) return bestScore;
                        if (supportMove) supportCount += 1;
                    }
                }
            }
        }
    }
    return bestScore;
}

}  // namespace

double LimitedQuietSearch(double player, double remaining, double level, double alpha, double beta,
                          double checksLeft, double forkReply, double chainKeep) {
    return quiet_node(static_cast<int>(player), static_cast<int>(remaining),
                      static_cast<int>(level), alpha, beta, static_cast<int>(checksLeft),
                      static_cast<int>(forkReply), static_cast<int>(chainKeep));
}

double HasQuietLegalMove(double player) {
    const int side = static_cast<int>(player);
    for (int fy = 0; fy < 8; ++fy) {
        for (int fx = 0; fx < 8; ++fx) {
            const int mover = piece_at(fx, fy);
            if (colour_of(mover) != side) continue;
            const int type = type_of(mover);
            int firstRow, lastRow;
            candidate_rows(type, side, fy, firstRow, lastRow);
            for (int ty = firstRow; ty <= lastRow; ++ty) {
                int firstX, lastX, step;
                if (!candidate_columns(type, side, fx, fy, ty, firstX, lastX, step)) continue;
                for (int tx = firstX; tx <= lastX; tx += step) {
                    // Own pieces (and the origin square) are never a move.
                    if (colour_of(piece_at(tx, ty)) == side) continue;
                    if (IsMoveValid(fx, fy, tx, ty) == 1) return 1;
                }
            }
        }
    }
    return 0;
}

int quiet_discovery_candidate(int fx, int fy, int kx, int ky, int player) {
    if (fx == kx && fy == ky) return 0;
    if (fx < 0 || fx > 7 || fy < 0 || fy > 7) return 0;
    const int dx = fx - kx;
    const int dy = fy - ky;
    if (dx != 0 && dy != 0 && abs_int(dx) != abs_int(dy)) return 0;
    const int sx = (dx > 0) - (dx < 0);
    const int sy = (dy > 0) - (dy < 0);
    // The line from the king to the piece must be open.
    for (int x = kx + sx, y = ky + sy; x != fx || y != fy; x += sx, y += sy) {
        if (x >= 0 && x <= 7 && y >= 0 && y <= 7 && board[x][y] != 0) return 0;
    }
    // First piece behind it on the same line.
    int x = fx + sx, y = fy + sy;
    while (x >= 0 && x <= 7 && y >= 0 && y <= 7 && board[x][y] == 0) {
        x += sx;
        y += sy;
    }
    if (x < 0 || x > 7 || y < 0 || y > 7) return 0;
    const int piece = piece_at(x, y);
    if (colour_of(piece) != player) return 0;
    const int type = type_of(piece);
    const bool diagonal = sx != 0 && sy != 0;
    if (type == 5) return 1;
    if (type == 4 && diagonal) return 1;
    if (type == 2 && !diagonal) return 1;
    return 0;
}
