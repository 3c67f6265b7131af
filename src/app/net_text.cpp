#include "app/net_text.h"

#include <string_view>

#include "engine/i18n.h"

namespace kq {

namespace {

// Whole messages.
const char* const kWhole[] = {
    N_("rival disconnected"),
    N_("rival left"),
    N_("left the match"),
    N_("closed"),
    N_("the rival declined a rematch"),
    N_("level tables differ"),
    N_("the host's settings cannot be read"),
    N_("network start-up failed"),
    N_("cannot open a network socket"),
    N_("cannot start the network simulation relay"),
    N_("cannot connect"),
    N_("asking the match server for an invite code"),
    N_("trying a path through both routers"),
    N_("through the relay"),
    N_("trying a direct path"),
    N_("unknown or expired invite code"),
    N_("the match server is full"),
    N_("the match server refuses more requests from this address for now"),
    N_("that host is already playing"),
    N_("the match server cannot relay another match now"),
    N_("the match server refused"),
    N_("no router answered the UPnP search"),
    N_("no UPnP router found"),
    N_("the router did not tell its public address"),
    N_("that game is already playing"),
    N_("type an invite code or an address first"),
    N_("invite codes need a match server: set MATCH SERVER first"),
    N_("this match already has 8 spectators"),
    N_("the spectator fell too far behind the match"),
    N_("the host left"),
    N_("the match is over"),
    N_("too many broken packets"),
};

// A message that starts with English and ends with a detail: the address, the code, a number, or
// another message.
struct TPrefixed {
  std::string_view English;  // up to the detail
  const char* Marked;        // the whole, with "{detail}"
  std::string_view After;    // what follows the detail in English ("" for nothing)
};
const TPrefixed kPrefixed[] = {
    {"no answer from the match server at ", N_("no answer from the match server at {detail}"), ""},
    {"no answer from ", N_("no answer from {detail}"), ""},
    {"no path to the host (", N_("no path to the host ({detail})"), ")"},
    {"asking the match server for ", N_("asking the match server for {detail}"), ""},
    {"asking the router to open port ", N_("asking the router to open port {detail}"), ""},
    {"the match server: ", N_("the match server: {detail}"), ""},
    {"unknown or expired invite code: ", N_("unknown or expired invite code: {detail}"), ""},
    {"not a server address: ", N_("not a server address: {detail}"), ""},
    {"not an invite code nor an address: ", N_("not an invite code nor an address: {detail}"), ""},
    {"unknown host ", N_("unknown host {detail}"), ""},
    {"port ", N_("port {detail} is in use"), " is in use"},
    {"desync at tick ", N_("desync at tick {detail}"), ""},
    {"refused a guest: ", N_("refused a guest: {detail}"), ""},
    {"game version differs: ", N_("game version differs: {detail}"), ""},
    {"network protocol differs: ", N_("network protocol differs: {detail}"), ""},
    {"the router refused to open the port: ", N_("the router refused to open the port: {detail}"), ""},
};

}  // namespace

std::string NetText(const std::string& english) {
  for (const char* w : kWhole)
    if (english == w) return Tr(w);
  for (const TPrefixed& p : kPrefixed) {
    const std::string_view s = english;
    if (s.size() < p.English.size() + p.After.size() || !s.starts_with(p.English) || !s.ends_with(p.After))
      continue;
    const std::string detail(s.substr(p.English.size(), s.size() - p.English.size() - p.After.size()));
    if (detail.empty()) continue;
    return Subst(Tr(p.Marked), "{detail}", NetText(detail));
  }
  return english;
}

}  // namespace kq
