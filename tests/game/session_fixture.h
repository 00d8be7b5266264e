// A session started as the shell starts it, with the shell replaced by the
// recording fakes, and helpers to play it through commands and ticks.
#ifndef PELLORIN_TEST_SESSION_FIXTURE_H
#define PELLORIN_TEST_SESSION_FIXTURE_H

#include <gtest/gtest.h>

#include "session.h"
#include "shell_fakes.h"

class SessionTest : public ::testing::Test {
protected:
    GameSession *session = nullptr;

    void SetUp() override;
    void TearDown() override;

    void Command(GameCommand command);
    // NewGame, then forget the calls it made.
    void Start();
    // Puts the falling piece where a test wants it, visible.
    void Place(int shape, int rotation, int column, int row);
    // Brings a fresh session into the state, calls forgotten.
    void Enter(GameState state);
    // Fires the gravity slot count times.
    void Gravity(int count = 1);
};

#endif
