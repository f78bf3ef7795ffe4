#pragma once
// The marketplace's login page (GBK form with a user field and a button).
#include <string>
#include <string_view>

namespace rongfan::marketsim {

// `redirectUrl` is where a successful login leads back to; `failed` adds the
// hint that the user name was empty.
std::string LoginFormPage(std::string_view loginHost, std::string_view redirectUrl, bool failed);

// A small page for 302 answers, for clients that do not follow them.
std::string MovedPage(std::string_view location);

} // namespace rongfan::marketsim
