#pragma once

#include <string>

#include "report/text_out.h"
#include "restore/outcomes.h"

namespace report {

// Why a file was left as it was, in words.
std::string failureText(const restore::Failure& failure);

void printRestore(TextOut& console, const restore::RestoreReport& report);
void printUndo(TextOut& console, const restore::UndoReport& report);

// What a restore came to, for its last lines.
struct RestoreTally {
  int restored = 0;
  int withoutOriginal = 0;  // bad stock files without a verified original
  int notReplaced = 0;      // with one, but left as they were
  int addOnsStillBad = 0;
};
void printRestoreSummary(TextOut& console, const RestoreTally& tally);

}  // namespace report
