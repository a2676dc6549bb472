#pragma once

#include <vector>

#include "originals/findings.h"
#include "report/text_out.h"

namespace report {

// The paragraphs that --originals adds after the verdict, one per bad file,
// in the listing's order, then the cabinets that could not be read.
void printOriginals(TextOut& console, const std::vector<originals::OriginalFinding>& findings,
                    const std::vector<originals::CabinetNotRead>& cabinetsNotRead);

// The search's progress on one console line, which each count overwrites and
// the end closes.
class SearchProgressLine final : public originals::SearchProgress {
 public:
  explicit SearchProgressLine(TextOut& console) : console_(console) {}
  void filesRead(int count) override;
  void finished() override;

 private:
  TextOut& console_;
};

}  // namespace report
