#pragma once
// The two item detail harvesters: one result row per line of the item buffer.
#include "walkers/SearchState.h"

namespace rongfan {

void TaobaoItemHarvester(const SearchContext& context);
void TmallItemHarvester(const SearchContext& context);

// Taobao harvester when the shop address contains TaobaoDomain, else Tmall; on the calling thread.
void RunHarvester(const SearchContext& context);

// The harvest tick after its timer stopped itself: RunHarvester on a worker thread.
void StartHarvest(const SearchContext& context);

}  // namespace rongfan
