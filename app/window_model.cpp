#include "app/window_model.h"

#include <algorithm>
#include <utility>

#include "address/address.h"
#include "app/actions.h"
#include "app/report.h"
#include "app/report_format.h"
#include "core/text.h"

namespace adreca::app {

namespace {

// The row's boxes as the action sets them: kept in the row, shown by the
// view. A new address is a new result: the old one's adapters go.
class ModelBoxes final : public RowBoxes {
 public:
  ModelBoxes(int row, RowState& state, RowView& view) : row_(row), state_(state), view_(view) {}

  void SetAddressText(const std::u16string& text) override {
    state_.address = text;
    state_.adapters.clear();
    state_.tooltip.clear();
    state_.found = false;
    state_.typed_over = false;
    view_.ShowAddress(row_, text);
    view_.ShowAddressToolTip(row_, {});
  }
  void SetStatusText(const std::u16string& text) override {
    state_.status = text;
    view_.ShowStatus(row_, text);
  }

 private:
  int row_;
  RowState& state_;
  RowView& view_;
};

}  // namespace

WindowModel::WindowModel(std::span<const Way, kWays.size()> ways, AdapterLookup lookup) : lookup_(lookup) {
  std::copy(ways.begin(), ways.end(), ways_.begin());
}

std::optional<RaisedError> WindowModel::Run(int row, RowView& view) {
  const Way& way = WayOfRow(row);
  RowState& state = rows_.at(Index(row));
  if (way.probe == nullptr) return std::nullopt;
  state.ran = true;
  ModelBoxes boxes(row, state, view);
  state.error = Guarded([&] {
    const std::u16string compact = RunAction(way, boxes);
    state.found = IsAccepted(compact);
    AdapterNaming naming = NameAdapters(compact, way.sees, lookup_);
    state.adapters = std::move(naming.adapters);
    state.tooltip = std::move(naming.tooltip);
    view.ShowAddressToolTip(row, state.tooltip);
  });
  return state.error;
}

void WindowModel::AddressTyped(int row) { rows_.at(Index(row)).typed_over = true; }

std::u16string WindowModel::ShownToolTip(int row) const {
  const RowState& state = Row(row);
  return state.typed_over ? std::u16string() : state.tooltip;
}

std::u16string WindowModel::AllResults(std::string_view line_end) const {
  std::vector<ReportRow> lines;
  lines.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    ReportRow& line = lines.emplace_back();
    line.way = ways_[i].caption;
    line.address = rows_[i].address;
    line.status = rows_[i].status;
    line.error = rows_[i].error;
    line.adapters = rows_[i].adapters;
    line.found = rows_[i].found;
    line.sees = ways_[i].sees;
    line.ran = rows_[i].ran;
  }
  return FromUtf8(ReportText(lines, line_end));
}

}  // namespace adreca::app
