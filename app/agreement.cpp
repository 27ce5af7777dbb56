#include "app/agreement.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "core/text.h"

namespace adreca::app {

namespace {

using platform::AdapterSet;
using GroupRows = std::vector<const ReportRow*>;

// ---- Grouping ----

std::optional<std::u16string> NamedAdapter(const ReportRow& row) {
  if (row.adapters.empty()) return std::nullopt;
  return row.adapters.front().name;
}

// Two rows show the same: the same error, or no error and the same address
// text. Ways that name different adapters for one address (a bridge and its
// port share it) still show the same address.
bool ShowTheSame(const ReportRow& a, const ReportRow& b) {
  if (a.error || b.error) {
    return a.error && b.error && a.error->number == b.error->number &&
           a.error->description == b.error->description;
  }
  return a.address == b.address && a.found == b.found;
}

// The adapter that a group's address belongs to: the first that its ways
// name.
std::optional<std::u16string> GroupAdapter(const GroupRows& group) {
  for (const ReportRow* row : group) {
    if (auto adapter = NamedAdapter(*row)) return adapter;
  }
  return std::nullopt;
}

// The rows that ran, grouped, each group in row order, the groups in the
// order of their first rows.
std::vector<GroupRows> Grouped(std::span<const ReportRow> rows) {
  std::vector<GroupRows> groups;
  for (const ReportRow& row : rows) {
    if (!row.ran) continue;
    const auto same = std::find_if(groups.begin(), groups.end(),
                                   [&](const GroupRows& group) { return ShowTheSame(*group.front(), row); });
    if (same == groups.end()) {
      groups.push_back({&row});
    } else {
      same->push_back(&row);
    }
  }
  return groups;
}

// ---- Reasons ----

std::u16string Joined(std::span<const std::u16string_view> ways) {
  std::u16string text;
  for (const std::u16string_view way : ways) {
    if (!text.empty()) text += u", ";
    text += way;
  }
  return text;
}

std::u16string JoinedWays(const GroupRows& rows) {
  std::vector<std::u16string_view> ways;
  for (const ReportRow* row : rows) ways.push_back(row->way);
  return Joined(ways);
}

// The sets from the widest to the narrowest.
constexpr std::array kSets{AdapterSet::kAllButLoopback, AdapterSet::kWithIpAddress, AdapterSet::kWithIpv4};

// "every adapter but loopback", "only adapters with IPv4"; for ways that see
// different sets, each set with its ways: "every adapter but loopback
// (IpConfig), only those with an IP address (WinMgmt) or with IPv4
// (NetWksta)".
std::u16string SeenAdapters(const GroupRows& rows) {
  std::vector<std::pair<AdapterSet, GroupRows>> parts;
  for (const AdapterSet set : kSets) {
    GroupRows seeing;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(seeing),
                 [&](const ReportRow* row) { return row->sees == set; });
    if (!seeing.empty()) parts.emplace_back(set, std::move(seeing));
  }
  std::u16string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const AdapterSet set = parts[i].first;
    if (i > 0) text += i + 1 == parts.size() ? u" or " : u", ";
    if (set == AdapterSet::kAllButLoopback) {
      text += u"every adapter but loopback";
    } else {
      if (i == 0) text += u"only adapters ";
      if (i > 0 && parts[i - 1].first == AdapterSet::kAllButLoopback) text += u"only those ";
      text += set == AdapterSet::kWithIpAddress ? u"with an IP address" : u"with IPv4";
    }
    if (parts.size() > 1) text += u" (" + JoinedWays(parts[i].second) + u")";
  }
  return text;
}

constexpr char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

// Only the ways that keep the platform's letters can show a lower-case one.
std::u16string_view LetterCase(std::u16string_view address) {
  const bool lower = std::any_of(address.begin(), address.end(), [](char16_t c) { return Upper(c) != c; });
  return lower ? u"the platform's letter case" : u"upper case";
}

bool IsAddressFound(const GroupRows& group) { return !group.front()->error && group.front()->found; }

using Groups = std::vector<const GroupRows*>;

// The rows of several groups, in row order.
GroupRows RowsOf(const Groups& groups) {
  GroupRows rows;
  for (const GroupRows* group : groups) rows.insert(rows.end(), group->begin(), group->end());
  std::sort(rows.begin(), rows.end(), std::less<>());
  return rows;
}

// How the letters of our address compare with those of the same address
// in other groups.
std::u16string CaseContrast(std::u16string_view ours, const Groups& theirs) {
  const std::u16string_view our_case = LetterCase(ours);
  const std::u16string_view their_case = LetterCase(theirs.front()->front()->address);
  const bool one_case = std::all_of(theirs.begin(), theirs.end(), [&](const GroupRows* group) {
    return LetterCase(group->front()->address) == their_case;
  });
  if (!one_case || their_case == our_case) return u", in another letter case";
  return u": " + std::u16string(our_case) + u" vs " + std::u16string(their_case);
}

// What other groups name for the same address.
std::u16string_view OtherAdapters(const Groups& theirs) {
  std::set<std::u16string> named;
  bool none = false;
  for (const GroupRows* group : theirs) {
    const std::optional<std::u16string> adapter = GroupAdapter(*group);
    if (adapter) {
      named.insert(*adapter);
    } else {
      none = true;
    }
  }
  if (named.empty()) return u"no adapter";
  if (named.size() == 1) return none ? u"another adapter or none" : u"another adapter";
  return none ? u"other adapters or none" : u"other adapters";
}

// What a group shares with the others that show its address in other
// letters or name another adapter for it: "; same adapter as NetBios,
// AdaptInfo: the platform's letter case vs upper case", "; same address as
// IpConfig, which names another adapter".
std::u16string Kinship(const GroupRows& group, std::span<const GroupRows> groups) {
  const ReportRow& ours = *group.front();
  Groups same_adapter;
  Groups other_adapter;
  for (const GroupRows& other : groups) {
    if (&other == &group || !IsAddressFound(other) || !SameIgnoringCase(other.front()->address, ours.address))
      continue;
    (GroupAdapter(other) == GroupAdapter(group) ? same_adapter : other_adapter).push_back(&other);
  }
  std::u16string text;
  if (!same_adapter.empty()) {
    text +=
        u"; same adapter as " + JoinedWays(RowsOf(same_adapter)) + CaseContrast(ours.address, same_adapter);
  }
  if (!other_adapter.empty()) {
    const GroupRows rows = RowsOf(other_adapter);
    text +=
        u"; same address as " + JoinedWays(rows) + (rows.size() == 1 ? u", which names " : u", which name ");
    text += OtherAdapters(other_adapter);
  }
  return text;
}

// The ways of a group that name another adapter for its address, or none:
// "; AdaptInfo names another adapter that has it".
std::u16string Sharers(const GroupRows& group) {
  const std::optional<std::u16string> adapter = GroupAdapter(group);
  GroupRows other;
  GroupRows none;
  for (const ReportRow* row : group) {
    const std::optional<std::u16string> named = NamedAdapter(*row);
    if (!named) {
      none.push_back(row);
    } else if (named != adapter) {
      other.push_back(row);
    }
  }
  std::u16string text;
  if (!other.empty()) {
    text += u"; " + JoinedWays(other) + (other.size() == 1 ? u" names" : u" name") +
            u" another adapter that has it";
  }
  if (adapter && !none.empty())
    text += u"; " + JoinedWays(none) + (none.size() == 1 ? u" names" : u" name") + u" no adapter";
  return text;
}

std::u16string Reason(const GroupRows& group, std::span<const GroupRows> groups) {
  const ReportRow& first = *group.front();
  if (first.error) {
    return u"error " + FromAscii(std::to_string(first.error->number)) + u": " + first.error->description;
  }
  if (!first.found) return u"found no address: " + SeenAdapters(group);
  return SeenAdapters(group) + Sharers(group) + Kinship(group, groups);
}

}  // namespace

std::vector<AgreementGroup> Agreement(std::span<const ReportRow> rows) {
  const std::vector<GroupRows> grouped = Grouped(rows);
  std::vector<AgreementGroup> groups;
  groups.reserve(grouped.size());
  for (const GroupRows& rows_of_group : grouped) {
    const ReportRow& first = *rows_of_group.front();
    AgreementGroup& group = groups.emplace_back();
    if (!first.error) {
      group.address = first.address;
      group.adapter = GroupAdapter(rows_of_group);
    }
    for (const ReportRow* row : rows_of_group) group.ways.push_back(row->way);
    group.reason = Reason(rows_of_group, grouped);
  }
  return groups;
}

std::u16string AgreementParagraph(std::span<const AgreementGroup> groups) {
  if (groups.size() <= 1) return {};
  std::u16string text = u"The rows differ.";
  for (const AgreementGroup& group : groups) {
    text += u' ';
    text += Joined(group.ways);
    if (group.address) {
      text += group.ways.size() == 1 ? u" shows " : u" show ";
      text += *group.address;
      if (group.adapter) text += u" (" + *group.adapter + u")";
    }
    text += u": " + group.reason;
    if (!text.ends_with(u'.')) text += u'.';
  }
  return text;
}

}  // namespace adreca::app
