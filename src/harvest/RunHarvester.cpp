#include "harvest/Harvesters.h"
#include "host/EndpointTable.h"
#include "text/Text.h"

namespace rongfan {

void RunHarvester(const SearchContext& context) {
    // Only the Taobao domain is looked for: every other shop is harvested as a Tmall shop.
    if (ContainsText(context.window->ShopAddress(), EndpointTable::TaobaoDomain))
        TaobaoItemHarvester(context);
    else
        TmallItemHarvester(context);
}

}  // namespace rongfan
