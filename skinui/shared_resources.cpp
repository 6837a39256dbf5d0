#include "skinui/shared_resources.h"

namespace SkinUI {

void TResourceTables::Clear() {
  images.Empty();
  fonts.Empty();
  default_attributes.Empty();
}

TSharedResources& SharedResources() {
  static TSharedResources resources;
  return resources;
}

}  // namespace SkinUI
