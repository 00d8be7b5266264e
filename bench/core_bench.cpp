// Timings of the rules core: the neighbour masks, the fit test, row removal,
// and whole games played with random commands and ticks against the fakes.
#include <string.h>

#include <random>

#include <benchmark/benchmark.h>

#include "placed_piece.h"
#include "edge_masks.h"
#include "piece.h"
#include "playfield.h"
#include "random.h"
#include "session.h"
#include "shell_fakes.h"

static Playfield board;

// Lower half of the board filled at random, roughly like a game in progress.
static void MakeMidGameBoard(Playfield *field)
{
    std::mt19937 random(77);
    memset(field, 0, sizeof *field);
    for (int r = 10; r < BoardRows; r++) {
        for (int c = 0; c < BoardColumns; c++) {
            field->cells[r][c].occupied = random() % 3 != 0;
            field->cells[r][c].colour = (int)(random() % 7);
        }
    }
}

static FallingPiece PieceAt(int shape, int rotation, int column, int row)
{
    return PlacedPiece(&board, shape, rotation, column, row, shape);
}

static void BM_UpdateEdgeMasks(benchmark::State &state)
{
    MakeMidGameBoard(&board);
    FallingPiece piece = PieceAt(4, 1, 3, 4);
    for (auto _ : state) {
        UpdateEdgeMasks(&board, &piece);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_UpdateEdgeMasks);

static void BM_Fits(benchmark::State &state)
{
    MakeMidGameBoard(&board);
    FallingPiece pieces[64];
    for (int i = 0; i < 64; i++)
        pieces[i] = PieceAt(i % 7, (i / 7) % 4, i % 9 - 1, i % 18);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fits(&pieces[i]));
        i = (i + 1) & 63;
    }
}
BENCHMARK(BM_Fits);

static void BM_RemoveFullRowsNone(benchmark::State &state)
{
    MakeMidGameBoard(&board);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RemoveFullRows(&board));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RemoveFullRowsNone);

// Includes copying the prepared board back before every removal.
static void BM_RemoveFullRowsFourWithCopy(benchmark::State &state)
{
    Playfield prepared;
    MakeMidGameBoard(&prepared);
    for (int r = 12; r < 20; r += 2)
        for (int c = 0; c < BoardColumns; c++)
            prepared.cells[r][c].occupied = 1;
    for (auto _ : state) {
        board = prepared;
        benchmark::DoNotOptimize(RemoveFullRows(&board));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RemoveFullRowsFourWithCopy);

static void BM_CopyBoard(benchmark::State &state)
{
    Playfield prepared;
    MakeMidGameBoard(&prepared);
    for (auto _ : state) {
        board = prepared;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyBoard);

// One step is a command or a gravity tick, with the masks and the repaint
// request each brings; a level tick every 60 gravity ticks.
static void BM_SimulatedGame(benchmark::State &state)
{
    static const GameCommand Commands[] = {MoveLeft, MoveRight, MoveDown, RotateCcw};
    std::mt19937 random(2024);
    int64_t steps = 0;
    int64_t games = 0;
    for (auto _ : state) {
        ResetShellFakes();
        SetFakeClock((uint32_t)games * 7919u);
        InitSession();
        InitSessionBoard();
        ReadySession();
        DispatchCommand(NewGame);
        int gravityTicks = 0;
        for (int step = 0; step < 100000 && GetSession()->state == Playing; step++) {
            unsigned roll = random() % 100;
            if (roll < 25) {
                FireFakeTimer(GravitySlot);
                if (++gravityTicks % 60 == 0)
                    FireFakeTimer(LevelSlot);
            } else if (roll < 30) {
                DispatchCommand(Drop);
            } else {
                DispatchCommand(Commands[roll % 4]);
            }
            steps++;
            if ((step & 255) == 0)
                ClearFakeCalls();
        }
        games++;
    }
    state.counters["steps_per_game"] = benchmark::Counter((double)steps / (double)games);
    state.counters["time_per_step"] =
        benchmark::Counter((double)steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimulatedGame)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
