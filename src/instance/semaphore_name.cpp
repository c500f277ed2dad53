#include "instance/semaphore_name.h"

#include "base/text.h"

namespace zarvo {
namespace {

std::string g_semaphoreName;

}  // namespace

std::string BuildSemaphoreName(std::string_view instanceKey, bool global,
                               std::optional<int32_t> index) {
  std::string name = global ? "Global\\" : "Local\\";
  // Past the prefix a backslash would name a directory of the object namespace that does not
  // exist, and creation would fail; blanks go too, so that the name stays one token in the log
  // and wherever it is passed on.
  for (const char c : instanceKey) name += (c == '\\' || c == ' ') ? '_' : c;
  if (index) name += std::to_string(*index);
  if (name.size() > kValueCapacity - 1) name.resize(kValueCapacity - 1);
  return name;
}

TakenSemaphore decideTakenSemaphore(bool madeByAnotherAccount, bool serviceChild) {
  if (madeByAnotherAccount) return TakenSemaphore::RunAsOnlyCopy;
  return serviceChild ? TakenSemaphore::FailAsSecondCopy : TakenSemaphore::EndAsSecondCopy;
}

const std::string& SemaphoreName() {
  return g_semaphoreName;
}

void SetSemaphoreName(std::string name) {
  g_semaphoreName = std::move(name);
}

}  // namespace zarvo
