#pragma once
// The three item index walkers. Each runs once per capture on a worker thread,
// appends to the item buffer and, as its last act, arms the harvest timer.
#include "capture/CaptureRules.h"
#include "walkers/SearchState.h"

namespace rongfan {

void TaobaoAsyncWalker(const SearchContext& context);
void TaobaoPlainWalker(const SearchContext& context);
void TmallWalker(const SearchContext& context);

// Runs the walker `choice` names, on the calling thread; None does nothing.
void RunWalker(WalkerChoice choice, const SearchContext& context);

// The listing tick after its timer stopped itself: choose from the shop address
// and CapturedPage, and start that walker on a worker thread.
void StartListing(const SearchContext& context);

}  // namespace rongfan
