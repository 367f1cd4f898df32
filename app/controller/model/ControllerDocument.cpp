#include "ControllerDocument.h"

#include <algorithm>

#include <tonalith/Archive.h>
#include <tonalith/FileX.h>
#include <tonalith/Functions.h>
#include <tonalith/Ui.h>

#include "FormArchive.h"

namespace {

constexpr int kReadErrorMessage = 65001;  // "Error reading from file: %1"
constexpr int kWriteErrorMessage = 65002;  // "Error writing to file: %1"

// The fewest bytes a stored snapshot and a stored item take, to bound counts
// before anything is allocated.
constexpr std::uint64_t kMinSnapshotBytes = 1 + 2 + 2;
constexpr std::uint64_t kMinItemBytes = 2 + 2 + 6 + 16 + 16;

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(value)); }
int FromWord(std::uint16_t word) { return static_cast<std::int16_t>(word); }

}  // namespace

CControllerDocument::CControllerDocument() : m_pOutput(&CControllerOutput::Default()) {}
CControllerDocument::~CControllerDocument() = default;

void CControllerDocument::Changed(long hint) { UpdateAllViews(nullptr, hint, nullptr); }

// ---- file ----------------------------------------------------------------------

void CControllerDocument::Serialize(CArchive& ar) {
    CFormArchive far(ar);
    if (ar.IsStoring()) {
        Store(far);
        return;
    }
    CControllerDocument loaded;
    loaded.m_pOutput = m_pOutput;
    loaded.Load(far);
    m_items = std::move(loaded.m_items);
    m_tabOrder = std::move(loaded.m_tabOrder);
    m_strAuthor = std::move(loaded.m_strAuthor);
    m_strEmail = std::move(loaded.m_strEmail);
    m_strDescription = std::move(loaded.m_strDescription);
    m_snapshots = std::move(loaded.m_snapshots);
    for (CSnapshot& snapshot : m_snapshots) AssignSnapshotId(snapshot);
    Changed(HINT_ALL);
}

void CControllerDocument::Load(CFormArchive& far) {
    CArchive& ar = far.Archive();
    m_tabOrder = far.ReadWordArray();
    m_strAuthor = ar.ReadString();
    m_strEmail = ar.ReadString();
    m_strDescription = ar.ReadString();

    std::uint32_t snapshotCount = 0;
    ar >> snapshotCount;
    ar.CheckRemaining(snapshotCount * kMinSnapshotBytes);
    m_snapshots.resize(snapshotCount);
    for (CSnapshot& snapshot : m_snapshots) {
        snapshot.m_strName = ar.ReadString();
        snapshot.m_positions = far.ReadWordArray();
        snapshot.m_values = far.ReadWordArray();
        // Recall pairs the two arrays entry by entry.
        if (snapshot.m_positions.size() != snapshot.m_values.size())
            far.Fail("contains the snapshot \"" + snapshot.m_strName + "\" with " +
                     std::to_string(snapshot.m_positions.size()) + " positions but " +
                     std::to_string(snapshot.m_values.size()) + " values");
    }

    std::uint32_t itemCount = 0;
    ar >> itemCount;
    ar.CheckRemaining(itemCount * kMinItemBytes);
    if (itemCount > static_cast<std::uint32_t>(kMaxItems))
        far.Fail("contains more than " + std::to_string(kMaxItems) + " controls");
    const int outputCount = itemCount > 0 ? m_pOutput->GetDeviceCount() : 0;
    m_items.reserve(itemCount);
    for (std::uint32_t i = 0; i < itemCount; ++i) {
        far.ReadObjectTag(*RUNTIME_CLASS(CContainerItem));
        auto item = std::make_unique<CContainerItem>();
        item->Serialize(far, outputCount);
        m_items.push_back(std::move(item));
    }

    // A tab order naming items that do not exist would send the focus nowhere.
    std::vector<std::uint16_t> tabOrder;
    for (std::uint16_t position : m_tabOrder)
        if (position < m_items.size() && std::find(tabOrder.begin(), tabOrder.end(), position) == tabOrder.end())
            tabOrder.push_back(position);
    m_tabOrder = std::move(tabOrder);
    if (m_tabOrder.empty()) RebuildTabOrder();
}

void CControllerDocument::Store(CFormArchive& far) {
    CArchive& ar = far.Archive();
    far.WriteWordArray(m_tabOrder);
    ar.WriteString(m_strAuthor);
    ar.WriteString(m_strEmail);
    ar.WriteString(m_strDescription);
    ar << static_cast<std::uint32_t>(m_snapshots.size());
    for (const CSnapshot& snapshot : m_snapshots) {
        ar.WriteString(snapshot.m_strName);
        far.WriteWordArray(snapshot.m_positions);
        far.WriteWordArray(snapshot.m_values);
    }
    ar << static_cast<std::uint32_t>(m_items.size());
    for (const auto& item : m_items) {
        far.WriteObjectTag(*RUNTIME_CLASS(CContainerItem));
        item->Serialize(far, 0);  // the count only bounds Ports being loaded
    }
}

bool CControllerDocument::OnOpenDocument(const std::string& path) {
    try {
        CFile file(path, CFile::modeRead);
        CArchive ar(file, CArchive::load);
        Serialize(ar);
    } catch (const CFileException& e) {
        CFunctions::ShowFileException(kReadErrorMessage, e);
        return false;
    } catch (const std::exception& e) {
        CFunctions::ShowFileException(kReadErrorMessage, CFileException(CFileException::badFormat, path, e.what()));
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CControllerDocument::OnSaveDocument(const std::string& path) {
    try {
        CFileX::SaveAtomically(path, [this](CFile& file) {
            CArchive ar(file, CArchive::store);
            Serialize(ar);
        });
    } catch (const CFileException& e) {
        CFunctions::ShowFileException(kWriteErrorMessage, e);
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

std::vector<std::uint8_t> CControllerDocument::SaveToBytes() {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    Serialize(ar);
    return file.Detach();
}

void CControllerDocument::DeleteContents() {
    m_items.clear();
    m_tabOrder.clear();
    m_strAuthor.clear();
    m_strEmail.clear();
    m_strDescription.clear();
    m_snapshots.clear();
    Changed(HINT_ALL);
}

bool CControllerDocument::IsEqual(const CControllerDocument& other) const {
    if (m_tabOrder != other.m_tabOrder || m_strAuthor != other.m_strAuthor || m_strEmail != other.m_strEmail ||
        m_strDescription != other.m_strDescription || m_items.size() != other.m_items.size() ||
        m_snapshots.size() != other.m_snapshots.size())
        return false;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (!m_items[i]->IsEqual(*other.m_items[i])) return false;
    for (std::size_t i = 0; i < m_snapshots.size(); ++i)
        if (!m_snapshots[i].IsEqual(other.m_snapshots[i])) return false;
    return true;
}

// ---- items ---------------------------------------------------------------------

int CControllerDocument::GetPosition(const CContainerItem* item) const {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item) return static_cast<int>(i);
    return -1;
}

void CControllerDocument::RemapPositions(const std::function<int(int)>& map) {
    for (std::uint16_t& position : m_tabOrder) position = static_cast<std::uint16_t>(map(position));
    for (CSnapshot& snapshot : m_snapshots)
        for (std::uint16_t& position : snapshot.m_positions) position = static_cast<std::uint16_t>(map(position));
}

bool CControllerDocument::InsertItem(int position, std::unique_ptr<CContainerItem> item, int tabIndex) {
    if (!item || !item->GetItemData() || GetItemCount() >= kMaxItems || position < 0 || position > GetItemCount())
        return false;
    RemapPositions([position](int p) { return p >= position ? p + 1 : p; });
    const bool tabs = !item->GetItemData()->IsGroupFrame();
    m_items.insert(m_items.begin() + position, std::move(item));
    if (tabs) {
        const auto at = tabIndex < 0 ? m_tabOrder.size() : std::min<std::size_t>(tabIndex, m_tabOrder.size());
        m_tabOrder.insert(m_tabOrder.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint16_t>(position));
    }
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
    return true;
}

CRemovedItem CControllerDocument::RemoveItem(int position) {
    CRemovedItem removed;
    if (position < 0 || position >= GetItemCount()) return removed;
    removed.item = std::move(m_items[position]);
    m_items.erase(m_items.begin() + position);

    const auto tab = std::find(m_tabOrder.begin(), m_tabOrder.end(), position);
    if (tab != m_tabOrder.end()) removed.tabIndex = static_cast<int>(tab - m_tabOrder.begin());
    std::erase(m_tabOrder, static_cast<std::uint16_t>(position));

    for (CSnapshot& snapshot : m_snapshots) {
        for (std::size_t k = 0; k < snapshot.m_positions.size(); ++k)
            if (snapshot.m_positions[k] == position)
                removed.snapshotEntries.push_back({snapshot.m_nId, k, snapshot.m_values[k]});
        for (std::size_t k = snapshot.m_positions.size(); k-- > 0;) {
            if (snapshot.m_positions[k] != position) continue;
            snapshot.m_positions.erase(snapshot.m_positions.begin() + static_cast<std::ptrdiff_t>(k));
            snapshot.m_values.erase(snapshot.m_values.begin() + static_cast<std::ptrdiff_t>(k));
        }
    }
    RemapPositions([position](int p) { return p > position ? p - 1 : p; });
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
    return removed;
}

void CControllerDocument::RestoreItem(int position, CRemovedItem removed) {
    if (!removed.item || position < 0 || position > GetItemCount() || GetItemCount() >= kMaxItems) return;
    RemapPositions([position](int p) { return p >= position ? p + 1 : p; });
    m_items.insert(m_items.begin() + position, std::move(removed.item));
    const auto word = static_cast<std::uint16_t>(position);
    if (removed.tabIndex >= 0) {
        const auto at = std::min<std::size_t>(removed.tabIndex, m_tabOrder.size());
        m_tabOrder.insert(m_tabOrder.begin() + static_cast<std::ptrdiff_t>(at), word);
    }
    // Entries were recorded in ascending order, so each goes back to its own index.
    for (const CRemovedItem::SnapshotEntry& entry : removed.snapshotEntries) {
        const auto snapshot = std::find_if(m_snapshots.begin(), m_snapshots.end(),
                                           [&](const CSnapshot& s) { return s.m_nId == entry.snapshotId; });
        if (snapshot == m_snapshots.end()) continue;  // deleted meanwhile
        const auto at = static_cast<std::ptrdiff_t>(std::min(entry.index, snapshot->m_positions.size()));
        snapshot->m_positions.insert(snapshot->m_positions.begin() + at, word);
        snapshot->m_values.insert(snapshot->m_values.begin() + at, entry.value);
    }
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
}

void CControllerDocument::MoveItem(int from, int to) {
    const int count = GetItemCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) return;
    auto item = std::move(m_items[from]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    RemapPositions([from, to](int p) {
        if (p == from) return to;
        if (from < to && p > from && p <= to) return p - 1;
        if (from > to && p >= to && p < from) return p + 1;
        return p;
    });
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
}

// ---- tab order -------------------------------------------------------------------

void CControllerDocument::SetTabOrder(std::vector<std::uint16_t> tabOrder) {
    std::erase_if(tabOrder, [this](std::uint16_t p) { return p >= m_items.size(); });
    m_tabOrder = std::move(tabOrder);
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_TAB_ORDER);
}

void CControllerDocument::RebuildTabOrder() {
    m_tabOrder.clear();
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->GetItemData() && !m_items[i]->GetItemData()->IsGroupFrame())
            m_tabOrder.push_back(static_cast<std::uint16_t>(i));
}

// ---- info ------------------------------------------------------------------------

void CControllerDocument::SetInfo(std::string author, std::string email, std::string description) {
    if (author == m_strAuthor && email == m_strEmail && description == m_strDescription) return;
    m_strAuthor = std::move(author);
    m_strEmail = std::move(email);
    m_strDescription = std::move(description);
    SetModifiedFlag();
}

// ---- values and messages -----------------------------------------------------------

bool CControllerDocument::OnValueEvent(int position, int eventId, int eventValue, bool send) {
    if (position < 0 || position >= GetItemCount()) return false;
    CContainerItem& item = *m_items[position];
    const CItemData* data = item.GetItemData();
    if (!data || eventId < 0 || data->GetValueEventId() != eventId) return false;
    item.SetValue(eventValue);
    return send && SendItem(position, item.GetValue());
}

bool CControllerDocument::SetControlValue(int position, int value, bool send) {
    if (position < 0 || position >= GetItemCount() || !m_items[position]->GetMidiData()) return false;
    m_items[position]->SetValue(value);
    UpdateAllViews(nullptr, HINT_CONTROLLER_VALUES, m_items[position].get());
    return send && SendItem(position, m_items[position]->GetValue());
}

bool CControllerDocument::SendItem(int position, int controlValue) {
    if (position < 0 || position >= GetItemCount()) return false;
    const CMidiItemData* midi = m_items[position]->GetMidiData();
    if (!midi) return false;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = BuildControllerBytes(midi->m_strMessage, midi->m_nChannel, midi->m_nController,
                                     midi->GetSentValue(controlValue), midi->m_nEncoding);
    } catch (const CHexFormatError&) {
        return false;  // a template the user left unfinished sends nothing
    }
    return !bytes.empty() && m_pOutput->SendLong(midi->m_nPort, bytes);
}

std::vector<int> CControllerDocument::OnRemoteController(int controller, int value, bool send) {
    std::vector<int> moved;
    for (int i = 0; i < GetItemCount(); ++i) {
        const CMidiItemData* midi = m_items[i]->GetMidiData();
        if (!midi || midi->m_nRemote != controller) continue;
        SetControlValue(i, value, send);
        moved.push_back(i);
    }
    return moved;
}

void CControllerDocument::Reset(bool send) {
    for (int i = 0; i < GetItemCount(); ++i)
        if (const CMidiItemData* midi = m_items[i]->GetMidiData()) SetControlValue(i, midi->m_nValue, send);
}

// ---- output setup ----------------------------------------------------------------

bool CControllerDocument::SetOutputPortForAll(int port) {
    if (port < 0 || port >= m_pOutput->GetDeviceCount()) return false;
    for (auto& item : m_items)
        if (CMidiItemData* midi = item->GetMidiData()) midi->m_nPort = port;
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
    return true;
}

bool CControllerDocument::SetChannelForAll(int channel) {
    if (channel < 0 || channel > 15) return false;
    for (auto& item : m_items)
        if (CMidiItemData* midi = item->GetMidiData()) midi->m_nChannel = channel;
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_ITEMS);
    return true;
}

std::vector<int> CControllerDocument::GetOutputPorts() const {
    std::vector<int> ports;
    for (const auto& item : m_items)
        if (const CMidiItemData* midi = item->GetMidiData())
            if (std::find(ports.begin(), ports.end(), midi->m_nPort) == ports.end()) ports.push_back(midi->m_nPort);
    return ports;
}

// ---- fields by name ----------------------------------------------------------------

std::optional<std::string> CControllerDocument::GetItemField(int position, std::string_view name) const {
    if (position < 0 || position >= GetItemCount() || !m_items[position]->GetItemData()) return std::nullopt;
    return m_items[position]->GetItemData()->GetField(name);
}

std::string CControllerDocument::SetItemField(int position, std::string_view name, std::string_view value) {
    if (position < 0 || position >= GetItemCount() || !m_items[position]->GetItemData())
        return "There is no control " + std::to_string(position) + " on this form.";
    std::string error = m_items[position]->GetItemData()->SetField(name, value);
    if (error.empty()) {
        SetModifiedFlag();
        Changed(HINT_CONTROLLER_ITEMS);
    }
    return error;
}

// ---- snapshots ---------------------------------------------------------------------

std::vector<std::string> CControllerDocument::GetSnapshotNames() const {
    std::vector<std::string> names;
    for (const CSnapshot& snapshot : m_snapshots) names.push_back(snapshot.m_strName);
    return names;
}

int CControllerDocument::AddSnapshot() {
    CSnapshot snapshot;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (!m_items[i]->GetMidiData()) continue;
        snapshot.m_positions.push_back(static_cast<std::uint16_t>(i));
        snapshot.m_values.push_back(Word(m_items[i]->GetValue()));
    }
    AssignSnapshotId(snapshot);
    m_snapshots.push_back(std::move(snapshot));
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_SNAPSHOTS);
    return GetSnapshotCount() - 1;
}

void CControllerDocument::RecallSnapshot(int index, bool send) {
    if (index < 0 || index >= GetSnapshotCount()) return;
    const CSnapshot snapshot = m_snapshots[index];  // a copy: sending may reach code that edits the list
    for (int i = 0; i < GetItemCount(); ++i) {
        if (!m_items[i]->GetMidiData()) continue;
        const auto at = std::find(snapshot.m_positions.begin(), snapshot.m_positions.end(), i);
        if (at == snapshot.m_positions.end()) continue;
        SetControlValue(i, FromWord(snapshot.m_values[at - snapshot.m_positions.begin()]), send);
    }
}

void CControllerDocument::RenameSnapshot(int index, std::string name) {
    if (index < 0 || index >= GetSnapshotCount() || m_snapshots[index].m_strName == name) return;
    m_snapshots[index].m_strName = std::move(name);
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_SNAPSHOTS);
}

int CControllerDocument::MoveSnapshotUp(int index) {
    if (index <= 0 || index >= GetSnapshotCount()) return index;
    std::swap(m_snapshots[index], m_snapshots[index - 1]);
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_SNAPSHOTS);
    return index - 1;
}

int CControllerDocument::MoveSnapshotDown(int index) {
    if (index < 0 || index + 1 >= GetSnapshotCount()) return index;
    std::swap(m_snapshots[index], m_snapshots[index + 1]);
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_SNAPSHOTS);
    return index + 1;
}

void CControllerDocument::DeleteSnapshot(int index) {
    if (index < 0 || index >= GetSnapshotCount()) return;
    m_snapshots.erase(m_snapshots.begin() + index);
    SetModifiedFlag();
    Changed(HINT_CONTROLLER_SNAPSHOTS);
}
