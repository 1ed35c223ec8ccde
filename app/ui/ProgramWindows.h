#pragma once
#include "common/AppContext.h"

#include <memory>

class TMainFrm;

// The five windows of the program, made in the order the program entry uses:
// the main window first, then help, options, About and site query, all hidden.
// The secondary windows are children of the main window and go with it.
std::unique_ptr<TMainFrm> createProgramWindows(const AppContext &context);
