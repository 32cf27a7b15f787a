// Strings a test makes on the main thread are recorded in one arena scope
// that spans the whole program and is freed at its end, so leak checking
// reports only what the runtime itself loses.
#pragma once

#include <gtest/gtest.h>

#include "qo_runtime.h"

class ArenaScope : public testing::Environment {
  public:
    void SetUp() override { qo_arena_push(); }
    void TearDown() override { qo_arena_pop(0); }
};

static testing::Environment *const kArenaScope = testing::AddGlobalTestEnvironment(new ArenaScope);
