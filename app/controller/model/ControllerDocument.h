#pragma once

// A controller form: controls placed on a panel, each sending a MIDI message,
// with a tab order, three info texts and snapshots of all control values.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Document.h>

#include "ContainerItem.h"
#include "ControllerMessage.h"

class CArchive;
class CFormArchive;

// Hints the form's views receive with UpdateAllViews.
enum : long {
    HINT_CONTROLLER_ITEMS = 500,  // items inserted, deleted, moved, restacked or changed
    HINT_CONTROLLER_VALUES = 501,  // control values changed (hintObject: null, all items)
    HINT_CONTROLLER_SNAPSHOTS = 502,  // the snapshot list changed
    HINT_CONTROLLER_TAB_ORDER = 503,
};

// A saved set of control values. Entry k: the item at position m_positions[k]
// had the value m_values[k] (a 16-bit two's complement word).
struct CSnapshot {
    std::string m_strName = "New";
    std::vector<std::uint16_t> m_positions;
    std::vector<std::uint16_t> m_values;
    // Identifies the snapshot while the form is open (not stored), so an undone
    // deletion finds its snapshots even after they were reordered.
    std::uint64_t m_nId = 0;

    bool IsEqual(const CSnapshot& other) const {
        return m_strName == other.m_strName && m_positions == other.m_positions && m_values == other.m_values;
    }
};

// What removing an item took out of the form, so that putting it back restores
// its place in the tab order and its snapshot entries.
struct CRemovedItem {
    struct SnapshotEntry {
        std::uint64_t snapshotId;
        std::size_t index;
        std::uint16_t value;
    };
    std::unique_ptr<CContainerItem> item;
    int tabIndex = -1;  // -1: it had no place in the tab order
    std::vector<SnapshotEntry> snapshotEntries;
};

class CControllerDocument : public CDocument {
public:
    static constexpr const char* kClipboardFormat = "Tonalith Controller Item";
    static constexpr int kMaxItems = 0xFFFF;  // positions are stored as words

    CControllerDocument();
    ~CControllerDocument() override;

    // ---- MIDI output -----------------------------------------------------------
    // The output the form sends on and whose device count bounds Port on loading
    // (CControllerOutput::Default() unless set). Not owned.
    void SetOutput(CControllerOutput* output) { m_pOutput = output ? output : &CControllerOutput::Default(); }
    CControllerOutput& GetOutput() const { return *m_pOutput; }

    // ---- file ------------------------------------------------------------------
    // Reads or writes the whole form. Loading replaces the contents only when the
    // whole stream was read; errors throw CFileException naming the file.
    void Serialize(CArchive& ar);
    // Open and save as the program does them: errors are reported through the UI
    // services with the file name; a failed open leaves the form unchanged, a failed
    // save leaves the old file and the modified flag.
    bool OnOpenDocument(const std::string& path);
    bool OnSaveDocument(const std::string& path);
    void DeleteContents();
    // The stored form in memory (the same bytes as the file).
    std::vector<std::uint8_t> SaveToBytes();
    bool IsEqual(const CControllerDocument& other) const;

    // ---- items -----------------------------------------------------------------
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    CContainerItem& GetItem(int position) { return *m_items.at(position); }
    const CContainerItem& GetItem(int position) const { return *m_items.at(position); }
    int GetPosition(const CContainerItem* item) const;  // -1 when not on this form

    // Structural changes (the undoable commands call these). Every position in the
    // tab order and in the snapshots is renumbered so it keeps naming its item.
    // InsertItem: tabIndex -1 appends a non-group item to the tab order. False
    // when the form is full or the position is out of range.
    bool InsertItem(int position, std::unique_ptr<CContainerItem> item, int tabIndex = -1);
    CRemovedItem RemoveItem(int position);
    void RestoreItem(int position, CRemovedItem removed);
    // Moves an item to another place in the list (drawing order: later is in front).
    void MoveItem(int from, int to);

    // ---- tab order -------------------------------------------------------------
    const std::vector<std::uint16_t>& GetTabOrder() const { return m_tabOrder; }
    void SetTabOrder(std::vector<std::uint16_t> tabOrder);
    // The positions of all items that are not group frames, in list order.
    void RebuildTabOrder();

    // ---- info ------------------------------------------------------------------
    const std::string& GetAuthor() const { return m_strAuthor; }
    const std::string& GetEmail() const { return m_strEmail; }
    const std::string& GetDescription() const { return m_strDescription; }
    void SetInfo(std::string author, std::string email, std::string description);

    // ---- values and messages ---------------------------------------------------
    // A control fired an event: when it is the item's value event, the value is
    // kept and, with send, the item's message goes out. True when a message was sent.
    bool OnValueEvent(int position, int eventId, int eventValue, bool send = true);
    // Sets a control's value (remote, reset, recall) and, with send, sends its
    // message as the moved control would.
    bool SetControlValue(int position, int value, bool send = true);
    // Builds and sends the item's message for a control value. False when the
    // item sends nothing, the template is not hex text or the port cannot send.
    bool SendItem(int position, int controlValue);
    // Every MIDI item whose Remote is the controller takes the value; returns their positions.
    std::vector<int> OnRemoteController(int controller, int value, bool send = true);
    // Every MIDI item's control returns to the item's Value field.
    void Reset(bool send = true);

    // ---- output setup ----------------------------------------------------------
    // Not undoable. False (and nothing changed) for a port that is not a device
    // present, or a channel outside 0..15.
    bool SetOutputPortForAll(int port);
    bool SetChannelForAll(int channel);
    // The distinct Ports of the MIDI items, in item order.
    std::vector<int> GetOutputPorts() const;

    // ---- fields by name --------------------------------------------------------
    std::optional<std::string> GetItemField(int position, std::string_view name) const;
    // Empty on success, else the reason. Not undoable (commands use the data clone).
    std::string SetItemField(int position, std::string_view name, std::string_view value);

    // ---- snapshots -------------------------------------------------------------
    int GetSnapshotCount() const { return static_cast<int>(m_snapshots.size()); }
    const CSnapshot& GetSnapshot(int index) const { return m_snapshots.at(index); }
    std::vector<std::string> GetSnapshotNames() const;
    // Takes the current values of all MIDI items; returns the new snapshot's index.
    int AddSnapshot();
    // Items the snapshot lists take their stored value; the others keep theirs.
    void RecallSnapshot(int index, bool send = true);
    void RenameSnapshot(int index, std::string name);
    // Moves one place towards the start or end; returns the new index.
    int MoveSnapshotUp(int index);
    int MoveSnapshotDown(int index);
    void DeleteSnapshot(int index);

private:
    void Load(CFormArchive& ar);
    void Store(CFormArchive& ar);
    void RemapPositions(const std::function<int(int)>& map);
    void AssignSnapshotId(CSnapshot& snapshot) { snapshot.m_nId = ++m_nLastSnapshotId; }
    void Changed(long hint);

    std::vector<std::unique_ptr<CContainerItem>> m_items;
    std::vector<std::uint16_t> m_tabOrder;
    std::string m_strAuthor;
    std::string m_strEmail;
    std::string m_strDescription;
    std::vector<CSnapshot> m_snapshots;
    std::uint64_t m_nLastSnapshotId = 0;
    CControllerOutput* m_pOutput;
};
