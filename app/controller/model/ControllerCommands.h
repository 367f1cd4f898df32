#pragma once

// The undoable changes of a controller form's layout. Each command names its
// item by list position; commands run in order on one command manager, so the
// positions stay valid between Execute and Undo.

#include <memory>
#include <string>
#include <vector>

#include <tonalith/Commands.h>

#include "ControllerDocument.h"

class CControllerCommand : public CBasicCommand {
protected:
    explicit CControllerCommand(CControllerDocument& document) : m_document(document) {}
    CControllerDocument& m_document;
};

// "Insert \"<name>\" Item" or "Paste \"<name>\" Item": the item goes to the end
// of the list (in front of all others) and joins the end of the tab order.
class CInsertItemCommand : public CControllerCommand {
public:
    enum Kind { Insert, Paste };
    CInsertItemCommand(CControllerDocument& document, std::unique_ptr<CContainerItem> item, Kind kind = Insert);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override;
    int GetPosition() const { return m_position; }

private:
    CRemovedItem m_removed;  // the item while it is not on the form
    std::string m_name;
    Kind m_kind;
    int m_position = -1;
};

// "Delete \"<name>\" Item": undo restores the item at its place in the list, the
// tab order and every snapshot.
class CDeleteItemCommand : public CControllerCommand {
public:
    CDeleteItemCommand(CControllerDocument& document, int position);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override;

private:
    CRemovedItem m_removed;
    std::string m_name;
    int m_position;
};

// "Positioning or Movement of \"<name>\"": one item's old and new rectangle.
class CMoveItemCommand : public CControllerCommand {
public:
    CMoveItemCommand(CControllerDocument& document, int position, const CRect& oldRect, const CRect& newRect);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override;

private:
    int m_position;
    CRect m_old;
    CRect m_new;
    std::string m_name;
};

// "Send To Back \"<name>\" Item" / "Bring To Front \"<name>\" Item": the item moves
// to the start or the end of the list; undo puts it back at its former place.
class CZOrderCommand : public CControllerCommand {
public:
    enum Direction { ToBack, ToFront };
    CZOrderCommand(CControllerDocument& document, int position, Direction direction);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override;

private:
    int m_from;
    int m_to;
    Direction m_direction;
    std::string m_name;
};

// "Tab Order changed": the old and the new order.
class CTabOrderCommand : public CControllerCommand {
public:
    CTabOrderCommand(CControllerDocument& document, std::vector<std::uint16_t> oldOrder,
                     std::vector<std::uint16_t> newOrder);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Tab Order changed"; }

private:
    std::vector<std::uint16_t> m_old;
    std::vector<std::uint16_t> m_new;
};

// "Properties of \"<name>\"": copies of the old and the edited item data.
class CItemPropertiesCommand : public CControllerCommand {
public:
    CItemPropertiesCommand(CControllerDocument& document, int position, const CItemData& newData);
    void Execute() override;
    void Undo() override;
    std::string GetText() const override;

private:
    void Put(const CItemData& data);
    int m_position;
    std::unique_ptr<CItemData> m_old;
    std::unique_ptr<CItemData> m_new;
};
