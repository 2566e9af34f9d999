#pragma once

#include <atomic>
#include <ostream>
#include <string>

#include "scan/add_workflow.h"

namespace mardo {

// The Catalog tab of the command line: the boxes are the command's arguments, the status pane is
// remembered for printing at the end, and scan progress goes to a terminal when there is one.
class CliForm final : public CatalogForm {
 public:
  CliForm(std::ostream& err, bool showProgress, const std::atomic<bool>* cancel,
          std::atomic<bool>* cancellable)
      : err_(err), showProgress_(showProgress), cancel_(cancel), cancellable_(cancellable) {}

  std::string root;
  std::string label;
  std::string ignore;
  std::string status;  // the last text of the message pane
  // The last root that was given (the workflow empties the box when identification fails, and
  // messages still name the root).
  std::string lastRoot;

  std::string RootText() const override { return root; }
  void SetRootText(const std::string& text) override {
    root = text;
    if (!text.empty()) lastRoot = text;
  }
  std::string LabelText() const override { return label; }
  void SetLabelText(const std::string& text) override { label = text; }
  std::string IgnoreText() const override { return ignore; }
  void SetStatusMessage(const std::string& text) override { status = text; }
  void AddHistory(History, const std::string&) override {}
  void RemoveCatalogRow(const Catalog*) override {}
  void AddCatalogRow(int32_t, bool) override {}
  void SortCatalogs() override {}
  void ClearResults() override {}
  void ShowCatalogCounts() override {}
  void BeginWait() override;
  void EndWait() override;
  void ScanProgress(const mardo::ScanProgress& progress) override;
  const std::atomic<bool>* CancelFlag() override { return cancel_; }

 private:
  std::ostream& err_;
  bool showProgress_;
  const std::atomic<bool>* cancel_;
  std::atomic<bool>* cancellable_;
  bool progressShown_ = false;
};

}  // namespace mardo
