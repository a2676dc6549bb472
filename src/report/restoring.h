#pragma once

#include <string>

#include "report/text_out.h"
#include "restore/outcomes.h"

namespace report {

// Why a file was left as it was, in words.
std::string failureText(const restore::Failure& failure);

void printRestore(TextOut& console, const restore::RestoreReport& report);
void printUndo(TextOut& console, const restore::UndoReport& report);

}  // namespace report
