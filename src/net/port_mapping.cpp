#include "net/port_mapping.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

namespace kq::net {
namespace {

// How long the search for the router listens for answers.
constexpr int kDiscoverMs = 1000;
constexpr const char* kLease = "3600";

}  // namespace

TPortMapping::TPortMapping(uint16_t port) : port_(port) {
  thread_ = std::thread([this] { Ask(); });
}

TPortMapping::~TPortMapping() {
  if (thread_.joinable()) thread_.join();
  if (state_ == TState::Open) {
    const std::string p = std::to_string(port_);
    UPNP_DeletePortMapping(controlUrl_.c_str(), serviceType_.c_str(), p.c_str(), "UDP", nullptr);
  }
}

TAddr TPortMapping::External() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return external_;
}

std::string TPortMapping::Error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void TPortMapping::Ask() {
  auto fail = [this](const std::string& why) {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = why;
    state_ = TState::Failed;
  };
  int err = 0;
  UPNPDev* devices = upnpDiscover(kDiscoverMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &err);
  if (!devices) return fail("no router answered the UPnP search");
  UPNPUrls urls{};
  IGDdatas data{};
  char lan[64] = {};
  const int igd = UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan);
  freeUPNPDevlist(devices);
  // 2: the router says its own uplink is not connected (some say so behind another router);
  // a mapping may work all the same, and a guest only tries it.
  if (igd != 1 && igd != 2) {
    if (igd != 0) FreeUPNPUrls(&urls);
    return fail("no UPnP router found");
  }
  char ext[40] = {};
  const std::string p = std::to_string(port_);
  int r = UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, ext);
  const std::optional<TAddr> extAddr = r == UPNPCOMMAND_SUCCESS ? ParseAddr(ext, port_) : std::nullopt;
  if (!extAddr) {
    FreeUPNPUrls(&urls);
    return fail("the router did not tell its public address");
  }
  r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, p.c_str(), p.c_str(), lan, "kq001", "UDP",
                          nullptr, kLease);
  if (r == 725)  // only permanent leases: removed on leaving all the same
    r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, p.c_str(), p.c_str(), lan, "kq001",
                            "UDP", nullptr, "0");
  if (r != UPNPCOMMAND_SUCCESS) {
    FreeUPNPUrls(&urls);
    return fail(std::string("the router refused to open the port: ") + strupnperror(r));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    controlUrl_ = urls.controlURL;
    serviceType_ = data.first.servicetype;
    external_ = *extAddr;
  }
  FreeUPNPUrls(&urls);
  state_ = TState::Open;
}

}  // namespace kq::net
