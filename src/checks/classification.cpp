#include "checks/classification.h"

namespace checks {

void classifyFacilityFile(BadFileLists& lists, const platform::Path& path, const FileVerdict& verdict) {
  if (verdict.checksum && !verdict.checksum->matches()) {
    lists.checksumErrorList.prepend({path, verdict.isStock, *verdict.checksum});
  }
  if (verdict.stockWithoutHeader()) lists.formatErrorList.prepend({path, true, StockNameWithoutHeader{}});
  if (!verdict.section.sound()) lists.formatErrorList.prepend({path, verdict.isStock, verdict.section});
}

}  // namespace checks
