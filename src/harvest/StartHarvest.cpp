#include "harvest/Harvesters.h"
#include "host/Host.h"

namespace rongfan {

void StartHarvest(const SearchContext& context) {
    StartWorker([context] { RunHarvester(context); });
}

}  // namespace rongfan
