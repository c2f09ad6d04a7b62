// Mouse and keyboard handling of TCustomDBGridEh. The grid is read-only: input only
// moves the current record, scrolls, sorts, moves and resizes columns, and copies rows.
#include "Application.h"
#include "DBGridEh.h"
#include "GridCopyText.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

using HitKind = GridLayout::HitKind;

GridLayout::Hit TCustomDBGridEh::HitAt(QPoint widgetPos, bool borders) const
{
    return layout_.HitTest(widgetPos - ClientOrigin(), ShownRowCount(), borders);
}

void TCustomDBGridEh::MoveRecordBy(int distance)
{
    TCustomADODataSet* ds = DataSet();
    if (!ds || !ds->Active() || distance == 0)
        return;
    ds->MoveBy(distance);
    pendingInput_.MovedBy(distance);
}

void TCustomDBGridEh::PressAt(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    const GridLayout::Hit hit = HitAt(event->position().toPoint(), true);
    pressPos_ = event->position().toPoint();
    pressCol_ = hit.col;
    switch (hit.kind) {
    case HitKind::TitleBorder:
        mouseState_ = MouseState::ResizeColumn;
        resizeLeft_ = layout_.ColumnLeft(hit.col);
        return;
    case HitKind::Title:
        mouseState_ = MouseState::TitlePress;
        return;
    case HitKind::Data: {
        mouseState_ = MouseState::Pressed;
        const int recNo = RecNoAtRow(hit.row);
        if (recNo > 0) {
            DataSet()->MoveBy(recNo - DataSet()->RecNo());
            pendingInput_.WentTo(DataSet()->GetBookmark());
        }
        SetSelectedIndex(hit.col);
        return;
    }
    default:
        mouseState_ = MouseState::Pressed;
        return;
    }
}

void TCustomDBGridEh::mousePressEvent(QMouseEvent* event)
{
    Guarded([&] { PressAt(event); });
}

// A double-click is a second press, so a double-click on a title makes two title clicks.
void TCustomDBGridEh::mouseDoubleClickEvent(QMouseEvent* event)
{
    Guarded([&] { PressAt(event); });
}

void TCustomDBGridEh::mouseMoveEvent(QMouseEvent* event)
{
    GuardedLater([&] {
        const QPoint pos = event->position().toPoint();
        switch (mouseState_) {
        case MouseState::ResizeColumn: {
            const int width = std::max(1, pos.x() - ClientOrigin().x() - resizeLeft_);
            if (pressCol_ >= 0 && pressCol_ < columnList_.size() &&
                width != columnList_[pressCol_]->Width())
                columnList_[pressCol_]->SetWidth(width);
            return;
        }
        case MouseState::TitlePress:
            if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance())
                mouseState_ = MouseState::MoveColumn;
            return;
        case MouseState::MoveColumn:
            return;
        default: {
            const bool border = HitAt(pos, true).kind == HitKind::TitleBorder;
            if (border)
                setCursor(Qt::SplitHCursor);
            else
                unsetCursor();
            return;
        }
        }
    });
}

void TCustomDBGridEh::mouseReleaseEvent(QMouseEvent* event)
{
    Guarded([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const MouseState state = mouseState_;
        mouseState_ = MouseState::None;
        if (state == MouseState::None || state == MouseState::ResizeColumn)
            return;
        const GridLayout::Hit hit = HitAt(event->position().toPoint(), false);
        if (hit.kind != HitKind::Title)
            return;
        int clicked = hit.col;
        if (state == MouseState::MoveColumn && pressCol_ >= 0 && hit.col != pressCol_) {
            MoveColumn(pressCol_, hit.col);
            clicked = hit.col; // the moved column now sits under the pointer
        }
        if (clicked >= 0 && clicked < columnList_.size())
            ToggleTitleSort(columnList_[clicked]);
    });
}

void TCustomDBGridEh::wheelEvent(QWheelEvent* event)
{
    Guarded([&] {
        event->accept();
        wheelRemainder_ += event->angleDelta().y();
        while (wheelRemainder_ >= 120) {
            wheelRemainder_ -= 120;
            MoveRecordBy(-1);
        }
        while (wheelRemainder_ <= -120) {
            wheelRemainder_ += 120;
            MoveRecordBy(1);
        }
    });
}

bool TCustomDBGridEh::HandleKey(QKeyEvent* event)
{
    TCustomADODataSet* ds = DataSet();
    const bool open = ds && ds->Active();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int firstShown = buffer_.Top();
    const int lastShown = buffer_.Top() + std::max(1, buffer_.Count()) - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        if (open)
            ctrl ? MoveRecordBy(firstShown - ds->RecNo()) : MoveRecordBy(-1);
        return true;
    case Qt::Key_Down:
        if (open)
            ctrl ? MoveRecordBy(lastShown - ds->RecNo()) : MoveRecordBy(1);
        return true;
    case Qt::Key_PageUp:
        if (open)
            ctrl ? MoveRecordBy(firstShown - ds->RecNo())
                 : MoveRecordBy(-layout_.VisibleRowCapacity());
        return true;
    case Qt::Key_PageDown:
        if (open)
            ctrl ? MoveRecordBy(lastShown - ds->RecNo())
                 : MoveRecordBy(layout_.VisibleRowCapacity());
        return true;
    case Qt::Key_Home:
        if (open) {
            ds->First();
            pendingInput_.WentToFirst();
        }
        return true;
    case Qt::Key_End:
        if (open) {
            ds->Last();
            pendingInput_.WentToLast();
        }
        return true;
    case Qt::Key_Left:
        if (ctrl)
            SetSelectedIndex(0);
        else
            SetLeftCol(LeftCol() - 1);
        return true;
    case Qt::Key_Right:
        if (ctrl)
            SetSelectedIndex(int(columnList_.size()) - 1);
        else
            SetLeftCol(LeftCol() + 1);
        return true;
    // Editing, pasting and searching keys are swallowed: these grids change nothing.
    case Qt::Key_F2:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_C: {
        const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
        const bool all = mods == (Qt::ControlModifier | Qt::ShiftModifier);
        if (open && (mods == Qt::ControlModifier || all))
            QGuiApplication::clipboard()->setText(
                GridCopyText(*this, all ? GridCopyRows::All : GridCopyRows::Current));
        return ctrl;
    }
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_F:
        return ctrl;
    default:
        return false;
    }
}

void TCustomDBGridEh::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = HandleKey(event); });
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}
