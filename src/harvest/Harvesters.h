#pragma once
// The two item detail harvesters: one result row per line of the item buffer.
#include <string_view>

#include "walkers/SearchState.h"

namespace rongfan {

void TaobaoItemHarvester(const SearchContext& context);
void TmallItemHarvester(const SearchContext& context);

// The same runs on `itemIdText` in place of the text of the context's item buffer.
void TaobaoItemHarvester(const SearchContext& context, std::string_view itemIdText);
void TmallItemHarvester(const SearchContext& context, std::string_view itemIdText);

// Taobao harvester when the shop address contains TaobaoDomain, else Tmall; on the calling thread.
void RunHarvester(const SearchContext& context);

// The harvest tick after its timer stopped itself: RunHarvester on a worker thread.
void StartHarvest(const SearchContext& context);

}  // namespace rongfan
