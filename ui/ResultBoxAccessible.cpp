#include "ResultBoxAccessible.h"

#include "ResultBox.h"

#include <QAccessibleWidget>

#include <algorithm>

namespace {

// Qt's own interface for a text box hands out the document's characters as they are: the box
// breaks lines inside its blocks with LINE SEPARATOR and between them with PARAGRAPH SEPARATOR,
// and a screen reader or braille display would get those instead of line ends. This one reads
// each as "\n", one character for one, so that every offset still means the same place.
class ResultBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ResultBoxAccessible(ResultBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value)
            return box()->toPlainText();
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        return state;
    }

    QString text(int startOffset, int endOffset) const override
    {
        QString text = range(startOffset, endOffset).selectedText();
        for (QChar &c : text) {
            if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                c = u'\n';
        }
        return text;
    }

    int characterCount() const override { return box()->document()->characterCount() - 1; }

    int cursorPosition() const override { return box()->textCursor().position(); }
    void setCursorPosition(int position) override { box()->setTextCursor(range(position)); }

    int selectionCount() const override { return box()->textCursor().hasSelection() ? 1 : 0; }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const QTextCursor cursor = box()->textCursor();
        const bool selected = selectionIndex == 0 && cursor.hasSelection();
        *startOffset = selected ? cursor.selectionStart() : 0;
        *endOffset = selected ? cursor.selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            setCursorPosition(cursorPosition());
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            box()->setTextCursor(range(startOffset, endOffset));
    }

    QRect characterRect(int offset) const override
    {
        QRect rect = box()->cursorRect(range(offset));
        const QString character = text(offset, offset + 1);
        rect.setWidth(character == u"\n" ? 0 : box()->fontMetrics().horizontalAdvance(character));
        return QRect(box()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return box()->cursorForPosition(box()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        // The end first, so that the start is in view if both cannot be.
        box()->setTextCursor(range(endIndex));
        box()->ensureCursorVisible();
        box()->setTextCursor(range(startIndex));
        box()->ensureCursorVisible();
    }
    // One run of the box's own font and colours: the answer is plain text.
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    ResultBox *box() const { return static_cast<ResultBox *>(widget()); }

    // The text from one offset to another, each clamped to the document.
    QTextCursor range(int startOffset, int endOffset = -1) const
    {
        const int last = characterCount();
        QTextCursor cursor(box()->document());
        cursor.setPosition(std::clamp(startOffset, 0, last));
        if (endOffset >= 0)
            cursor.setPosition(std::clamp(endOffset, 0, last), QTextCursor::KeepAnchor);
        return cursor;
    }
};

} // namespace

QAccessibleInterface *resultBoxAccessible(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    auto *box = qobject_cast<ResultBox *>(object);
    return box ? new ResultBoxAccessible(box) : nullptr;
}
