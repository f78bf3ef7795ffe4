#include "host/Host.h"
#include "walkers/Walkers.h"

namespace rongfan {

void RunWalker(WalkerChoice choice, const SearchContext& context) {
    switch (choice) {
    case WalkerChoice::TaobaoAsync:
        TaobaoAsyncWalker(context);
        break;
    case WalkerChoice::TaobaoPlain:
        TaobaoPlainWalker(context);
        break;
    case WalkerChoice::Tmall:
        TmallWalker(context);
        break;
    case WalkerChoice::None:
        break;
    }
}

void StartListing(const SearchContext& context) {
    const WalkerChoice choice = ChooseWalker(context.window->ShopAddress(), context.state->CapturedPage());
    // An address whose host names neither marketplace has no walker.
    if (choice == WalkerChoice::None) return;
    // The worker owns its copy of the context, and with it the state and window.
    StartWorker([context, choice] { RunWalker(choice, context); });
}

}  // namespace rongfan
