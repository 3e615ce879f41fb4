#pragma once
// The drop-down list of a station box (ComboFZ, ComboDZ, ComboCZ): the box's own entries shown
// under it while the typing goes on in the box. The list opens only when the window asks
// (letters typed), shows whole rows, and a click elsewhere while it is open both closes it and
// reaches what was clicked.
#include <QObject>

class QAbstractItemView;
class QComboBox;
class QCompleter;

namespace lanzhou::data {
class MemTable;
}

namespace lanzhou::ui {

// The object name of a box's list completer (a direct child of the box).
inline constexpr char kStationListName[] = "StationList";

// Rows the list shows at a time.
inline constexpr int kStationListRows = 8;

// Gives an editable box its list (replacing the line edit's own completion, which would open it
// on every edit). Choosing an entry, by Enter or a click, makes it the box's current entry.
QCompleter* AttachStationList(QComboBox* box);

// Opens the list over the box's current entries, exactly kStationListRows rows high.
void OpenStationList(QComboBox* box);
void CloseStationList(QComboBox* box);
[[nodiscard]] bool StationListOpen(const QComboBox* box);

// The box's text changed (ComboFZChange): blanks trimmed, the entries refilled from KMPy for the
// text (nothing when KMPy is null, not loaded yet), and the list opened while the text is all
// letters, closed otherwise. Moves KMPy's cursor; reentry from its own edits is ignored.
void StationBoxTextChanged(QComboBox* box, data::MemTable* KMPy);

}  // namespace lanzhou::ui
