#include "ui/compose/PlainTextView.h"

#include "ui/compose/DropGround.h"
#include "ui/look/LUScroller.h"
#include "ui/look/Theme.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

PlainTextView::PlainTextView(qreal inset, qreal lineSpacing, QWidget* parent)
    : QTextEdit(parent)
    , m_inset(inset)
    , m_lineSpacing(lineSpacing)
{
    setAcceptRichText(false);
    setUndoRedoEnabled(true);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    LUScroller::overlay(this);
    applyLayout();
    themeChanged();
}

void PlainTextView::setText(const QString& text)
{
    setPlainText(text);
    applyLayout();
}

// The document is new after every setPlainText and starts with the default margins. The line
// spacing goes on every block now; new blocks copy it from the one they split from.
void PlainTextView::applyLayout()
{
    const bool undo = isUndoRedoEnabled();
    setUndoRedoEnabled(false);
    QTextFrame* root = document()->rootFrame();
    QTextFrameFormat frame = root->frameFormat();
    frame.setLeftMargin(0);
    frame.setRightMargin(0);
    frame.setTopMargin(m_inset);
    frame.setBottomMargin(m_inset);
    root->setFrameFormat(frame);
    if (m_lineSpacing > 0) {
        QTextBlockFormat blocks;
        blocks.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
        QTextCursor all(document());
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(blocks);
    }
    setUndoRedoEnabled(undo);
    document()->setModified(false);
}

// Colours come from the palette and the font is the document's default, so the text itself is
// not touched and its undo history survives a change of look.
void PlainTextView::themeChanged()
{
    setFont(Theme::font(13));
    QPalette colours = palette();
    const Theme::Selection selection = Theme::selection();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, Theme::ink());
        colours.setColor(group, QPalette::Base, Qt::transparent);
        colours.setColor(group, QPalette::Highlight, selection.background);
        colours.setColor(group, QPalette::HighlightedText, selection.foreground);
    }
    setPalette(colours);
    viewport()->update();
}

bool PlainTextView::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText() && DropGround::filePaths(source).isEmpty();
}

void PlainTextView::insertFromMimeData(const QMimeData* source)
{
    if (canInsertFromMimeData(source))
        textCursor().insertText(source->text());
}
