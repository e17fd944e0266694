#include "InputBoxAccessible.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace {

// Qt's own interface for a line edit reports an empty run of attributes at every offset. A screen
// reader that splits a line by the language of its runs then loses the last character: Orca reads
// "example.com" back as "example dot co". The box holds plain text in one font, so its whole text
// is one run. Qt's interface cannot be extended, so this one does its whole job.
class InputBoxAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface
{
public:
    explicit InputBoxAccessible(QLineEdit *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value)
            return box()->text();
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = box()->isReadOnly();
        state.editable = !box()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(int startOffset, int endOffset) const override
    {
        if (startOffset > endOffset)
            return QString();
        return box()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(box()->text().size()); }

    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }

    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const bool selected = selectionIndex == 0 && box()->hasSelectedText();
        *startOffset = selected ? box()->selectionStart() : 0;
        *endOffset = selected ? box()->selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            box()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            box()->setSelection(startOffset, endOffset - startOffset);
    }

    QRect characterRect(int offset) const override
    {
        const QString character = text(offset, offset + 1);
        if (character.isEmpty())
            return QRect();
        // Measured from the caret, which the box has scrolled into view.
        const QFontMetrics metrics = box()->fontMetrics();
        const QString all = box()->text();
        const QRect caret = box()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caret.x() + metrics.horizontalAdvance(all.left(offset))
                - metrics.horizontalAdvance(all.left(box()->cursorPosition()));
        const QRect rect(x, caret.y(), metrics.horizontalAdvance(character), caret.height());
        return QRect(box()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return box()->cursorPositionAt(box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        // The end first, so that the start is in view if both cannot be.
        box()->setCursorPosition(endIndex);
        box()->setCursorPosition(startIndex);
    }

    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        box()->setSelection(startOffset, endOffset - startOffset);
        box()->insert(text);
    }

private:
    QLineEdit *box() const { return static_cast<QLineEdit *>(widget()); }
};

} // namespace

QAccessibleInterface *inputBoxAccessible(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    auto *box = qobject_cast<QLineEdit *>(object);
    return box && box->echoMode() == QLineEdit::Normal ? new InputBoxAccessible(box) : nullptr;
}
