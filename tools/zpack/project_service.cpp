// The service's install and hosting options of [service]: the account and the checks that tie
// the plain settings together (loadPlainSettings has stored them already).

#include <toml++/toml.h>
#include <algorithm>
#include <array>

#include "config/keys.h"
#include "project_loader.h"

namespace zpack {
namespace {

constexpr std::array<std::string_view, 4> kAccounts = {"LocalSystem", "LocalService",
                                                       "NetworkService", "virtual"};

// Set to something other than false.
bool isOn(const toml::node* node) {
  const auto* flag = node ? node->as_boolean() : nullptr;
  return node != nullptr && (flag == nullptr || flag->get());
}

}  // namespace

void Loader::loadServiceOptions() {
  const toml::table* service = sections_["service"];
  if (!service) return;
  if (const toml::node* node = service->get("account")) {
    const std::string path = "service.account";
    if (const std::string* account = asString(*node, path)) {
      if (std::find(kAccounts.begin(), kAccounts.end(), *account) == kAccounts.end()) {
        fail(*node, path,
             "expected \"LocalSystem\", \"LocalService\", \"NetworkService\" or \"virtual\" (the "
             "service's own account NT SERVICE\\<name>)");
      } else if (*account != "LocalSystem") {
        setRecord(key::kServiceAccount, *account, *node, path);
      }
    }
  }

  // Numbers that only make sense above a minimum.
  struct Bound {
    std::string_view name;
    int32_t min;
    int32_t max;
  };
  for (const Bound b : {Bound{"restart_delay_seconds", 1, INT32_MAX},
                        Bound{"restart_limit", 0, key::kMaxServiceRestarts},
                        Bound{"failure_reset_seconds", 1, INT32_MAX},
                        Bound{"preshutdown_timeout_seconds", 1, INT32_MAX / 1000}}) {
    const toml::node* node = service->get(b.name);
    const auto* value = node ? node->as_integer() : nullptr;
    if (value && (value->get() < b.min || value->get() > b.max)) {
      fail(*node, "service." + std::string(b.name),
           "expected a number from " + std::to_string(b.min) + " to " + std::to_string(b.max));
    }
  }

  // Settings that refine another one are an error without it: they would do nothing.
  struct Needs {
    std::string_view name;
    std::string_view needed;
  };
  for (const Needs n : {Needs{"restart_limit", "restart_delay_seconds"},
                        Needs{"failure_reset_seconds", "restart_delay_seconds"},
                        Needs{"restart_on_error_stop", "restart_delay_seconds"},
                        Needs{"delayed_auto_start", "auto_start"}}) {
    const toml::node* node = service->get(n.name);
    if (isOn(node) && !isOn(service->get(n.needed))) {
      fail(*node, "service." + std::string(n.name),
           "has no effect without service." + std::string(n.needed));
    }
  }
}

}  // namespace zpack
