#include "state/jvm_selection.h"

namespace zarvo {

JvmSelectionState& JvmSelection() {
  static JvmSelectionState selection;
  return selection;
}

}  // namespace zarvo
