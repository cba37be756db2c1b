// Renders the installation manual, written in Markdown, to PDF with Qt's own text layout.
// Every picture the manual names must load: a manual without its screenshots is an error.
// Each picture gets a numbered caption from its description; a heading is kept on the page of
// what follows it and a picture on the page of its caption; command lines never wrap (a line
// wider than the page is an error, so that what is pasted from the manual is what was
// written); the headings become the PDF's bookmarks.
//
// render_manual MANUAL.md PICTURES_FOLDER OUT.pdf
// Pictures are named relative to PICTURES_FOLDER.

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/qt/html_printing.h"

namespace {

constexpr qreal kMarginMm = 18;

bool IsHeading(const QTextBlock& block) {
    return block.blockFormat().headingLevel() > 0;
}

// A block that holds a picture and nothing else.
bool IsPicture(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isImageFormat()) return true;
    return false;
}

// A code block: every piece of its text in the fixed-pitch font (a paragraph that only
// starts with a command is not one).
bool IsCode(const QTextBlock& block) {
    const QTextBlockFormat format = block.blockFormat();
    if (format.hasProperty(QTextFormat::BlockCodeFence)) return true;
    bool any = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat text = it.fragment().charFormat();
        if (!text.fontFixedPitch() && !text.font().fixedPitch()) return false;
        any = true;
    }
    return any;
}

// Scales every picture down to the text width, centres it and puts its caption under it;
// false when one does not load.
bool FitPictures(QTextDocument& doc, qreal textWidth) {
    QList<QTextBlock> blocks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (IsPicture(block)) blocks.append(block);
    bool allLoaded = true;
    int number = 0;
    for (const QTextBlock& block : blocks) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (!it.fragment().charFormat().isImageFormat()) continue;
            QTextImageFormat format = it.fragment().charFormat().toImageFormat();
            const QUrl url = doc.baseUrl().resolved(QUrl(format.name()));
            const QImage image(url.toLocalFile());
            if (image.isNull()) {
                std::fprintf(stderr, "render_manual: picture %s not found\n",
                             qPrintable(url.toLocalFile()));
                allLoaded = false;
                continue;
            }
            doc.addResource(QTextDocument::ImageResource, QUrl(format.name()), QVariant(image));
            const qreal width = qMin<qreal>(image.width(), textWidth);
            format.setWidth(width);
            format.setHeight(image.height() * width / image.width());
            QTextCursor cursor(&doc);
            cursor.setPosition(it.fragment().position());
            cursor.setPosition(it.fragment().position() + it.fragment().length(),
                               QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
            const QString alt = format.property(QTextFormat::ImageAltText).toString();
            if (alt.isEmpty()) continue;
            // The caption: a block of its own under the picture.
            QTextCursor end(block);
            end.movePosition(QTextCursor::EndOfBlock);
            QTextBlockFormat captionBlock;
            captionBlock.setAlignment(Qt::AlignHCenter);
            captionBlock.setTopMargin(2);
            captionBlock.setBottomMargin(10);
            QTextCharFormat captionText;
            captionText.setFontItalic(true);
            captionText.setFontPointSize(9);
            end.insertBlock(captionBlock, captionText);
            end.insertText(QString("Figure %1. %2").arg(++number).arg(alt));
        }
        QTextCursor centre(block);
        QTextBlockFormat pictureBlock = block.blockFormat();
        pictureBlock.setAlignment(Qt::AlignHCenter);
        pictureBlock.setBottomMargin(0);
        centre.setBlockFormat(pictureBlock);
    }
    return allLoaded;
}

// Command lines in a smaller type on grey, never wrapped. False when a line is wider than the
// text: it would run off the page.
bool SetCodeBlocks(QTextDocument& doc, qreal textWidth) {
    QList<QTextBlock> code;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (IsCode(block)) code.append(block);
    for (const QTextBlock& block : code) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setNonBreakableLines(true);
        format.setBackground(QColor(0xF0, 0xF0, 0xF0));
        format.setLeftMargin(8);
        // Space around a listing as around a paragraph, none between its lines.
        format.setTopMargin(IsCode(block.previous()) ? 0 : 4);
        format.setBottomMargin(IsCode(block.next()) ? 0 : 10);
        cursor.setBlockFormat(format);
        cursor.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat text;
        text.setFontPointSize(8.5);
        cursor.mergeCharFormat(text);
    }
    bool fits = true;
    for (const QTextBlock& block : code) {
        const QTextLayout* layout = block.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i)
            if (layout->lineAt(i).naturalTextWidth() + block.blockFormat().leftMargin() >
                textWidth) {
                std::fprintf(stderr, "render_manual: command line wider than the page: %s\n",
                             qPrintable(block.text()));
                fits = false;
            }
    }
    return fits;
}

// Keeps each heading on the page of what follows it (the whole of a short block, the first
// line of a long one, a picture with its caption) and each picture on the page of its
// caption, by starting a page before it.
void KeepWithNext(QTextDocument& doc) {
    const qreal pageHeight = doc.pageSize().height();
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const auto pageOf = [&](qreal y) { return static_cast<int>(std::floor(y / pageHeight)); };
    for (int round = 0; round < 500; ++round) {
        layout->documentSize();  // the whole document laid out again
        bool moved = false;
        for (QTextBlock block = doc.begin(); block.isValid() && !moved; block = block.next()) {
            if (!IsHeading(block) && !IsPicture(block)) continue;
            if (block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            QTextBlock next = block.next();
            if (!next.isValid()) continue;
            const QRectF own = layout->blockBoundingRect(block);
            if (own.top() - pageOf(own.top()) * pageHeight < 40) continue;  // at the top already
            QRectF follow = layout->blockBoundingRect(next);
            qreal end = follow.bottom();
            if (IsPicture(next) && next.next().isValid())
                end = layout->blockBoundingRect(next.next()).bottom();
            else if (follow.height() > pageHeight / 4 && next.layout()->lineCount() > 0)
                end = follow.top() + next.layout()->lineAt(0).rect().bottom();
            if (pageOf(end - 1) == pageOf(own.top())) continue;
            QTextCursor cursor(block);
            QTextBlockFormat format = block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
            moved = true;
        }
        if (!moved) return;
    }
}

struct Bookmark {
    int level;  // 2 for a chapter, 3 for a section in it
    QString title;
    int page;   // from 0
    qreal top;  // from the top of the page's body, in layout units
};

QList<Bookmark> Bookmarks(QTextDocument& doc) {
    QList<Bookmark> marks;
    const qreal pageHeight = doc.pageSize().height();
    doc.documentLayout()->documentSize();  // laid out to the end
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 2 || level > 3) continue;
        const qreal y = doc.documentLayout()->blockBoundingRect(block).top();
        const int page = static_cast<int>(std::floor(y / pageHeight));
        marks.append({level, block.text().trimmed(), page, y - page * pageHeight});
    }
    return marks;
}

// A PDF text string: UTF-16 with its byte order mark, in hexadecimal.
QByteArray PdfText(const QString& text) {
    QByteArray out = "<FEFF";
    for (const QChar c : text) out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    return out.toUpper() + ">";
}

// Adds the bookmarks to a PDF as an update at its end: the outline's objects, the catalogue
// again with the outline, and their cross references. Nothing of the document is rewritten.
bool AddOutline(QByteArray& pdf, const QList<Bookmark>& marks, qreal pageHeightPt, qreal topPt) {
    static const QRegularExpression startXref("startxref\\s+(\\d+)\\s+%%EOF\\s*$");
    static const QRegularExpression size("/Size\\s+(\\d+)");
    static const QRegularExpression root("/Root\\s+(\\d+)\\s+0\\s+R");
    static const QRegularExpression info("/Info\\s+(\\d+)\\s+0\\s+R");
    const auto xref = startXref.match(QString::fromLatin1(pdf.right(64)));
    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    if (!xref.hasMatch() || trailerAt < 0) return false;
    const QString trailer = QString::fromLatin1(pdf.mid(trailerAt, 512));
    const auto sizeMatch = size.match(trailer);
    const auto rootMatch = root.match(trailer);
    if (!sizeMatch.hasMatch() || !rootMatch.hasMatch()) return false;
    const int firstNew = sizeMatch.captured(1).toInt();
    const QByteArray rootId = rootMatch.captured(1).toLatin1();

    // The catalogue's dictionary and the pages' objects in order.
    const qsizetype catalogAt = pdf.indexOf("\n" + rootId + " 0 obj");
    if (catalogAt < 0) return false;
    const qsizetype catalogOpen = pdf.indexOf("<<", catalogAt);
    const qsizetype catalogEnd = pdf.indexOf("endobj", catalogAt);
    const qsizetype catalogClose = pdf.lastIndexOf(">>", catalogEnd);
    if (catalogOpen < 0 || catalogClose < catalogOpen) return false;
    const QByteArray catalog = pdf.mid(catalogOpen + 2, catalogClose - catalogOpen - 2);
    static const QRegularExpression pagesRef("/Pages\\s+(\\d+)\\s+0\\s+R");
    const auto pagesMatch = pagesRef.match(QString::fromLatin1(catalog));
    if (!pagesMatch.hasMatch()) return false;
    const qsizetype pagesAt = pdf.indexOf("\n" + pagesMatch.captured(1).toLatin1() + " 0 obj");
    const qsizetype kidsAt = pdf.indexOf("/Kids", pagesAt);
    const qsizetype kidsEnd = pdf.indexOf("]", kidsAt);
    if (pagesAt < 0 || kidsAt < 0 || kidsEnd < 0) return false;
    QList<int> pages;
    static const QRegularExpression ref("(\\d+)\\s+0\\s+R");
    for (auto it = ref.globalMatch(QString::fromLatin1(pdf.mid(kidsAt, kidsEnd - kidsAt)));
         it.hasNext();)
        pages.append(it.next().captured(1).toInt());

    // Object numbers: the outline, then one per bookmark.
    const int outlineId = firstNew;
    const auto id = [&](int i) { return firstNew + 1 + i; };
    QList<int> parent(marks.size(), outlineId);
    int chapter = -1;
    for (int i = 0; i < marks.size(); ++i) {
        if (marks[i].level == 2 || chapter < 0)
            chapter = i;
        else
            parent[i] = id(chapter);
    }
    const auto children = [&](int parentId) {
        QList<int> list;
        for (int i = 0; i < marks.size(); ++i)
            if (parent[i] == parentId) list.append(i);
        return list;
    };

    QByteArray update = "\n";
    QList<QPair<int, qsizetype>> offsets;
    const auto object = [&](int number, const QByteArray& body) {
        offsets.append({number, pdf.size() + update.size()});
        update += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    const auto r = [](int number) { return QByteArray::number(number) + " 0 R"; };
    const auto firstLast = [&](const QList<int>& list) -> QByteArray {
        if (list.isEmpty()) return {};
        return " /First " + r(id(list.first())) + " /Last " + r(id(list.last())) + " /Count " +
               QByteArray::number(list.size());
    };
    object(outlineId, "<< /Type /Outlines" + firstLast(children(outlineId)) + " >>");
    for (int i = 0; i < marks.size(); ++i) {
        const QList<int> siblings = children(parent[i]);
        const int at = siblings.indexOf(i);
        QByteArray body = "<< /Title " + PdfText(marks[i].title) + " /Parent " + r(parent[i]);
        if (at > 0) body += " /Prev " + r(id(siblings[at - 1]));
        if (at + 1 < siblings.size()) body += " /Next " + r(id(siblings[at + 1]));
        body += firstLast(children(id(i)));
        const int page = qBound(0, marks[i].page, static_cast<int>(pages.size()) - 1);
        const qreal y = pageHeightPt - topPt - marks[i].top * 72 / 96;
        body += " /Dest [" + r(pages.value(page)) + " /XYZ 0 " + QByteArray::number(y, 'f', 1) +
                " null] >>";
        object(id(i), body);
    }
    object(rootId.toInt(),
           "<<" + catalog + " /Outlines " + r(outlineId) + " /PageMode /UseOutlines >>");

    const qsizetype xrefAt = pdf.size() + update.size();
    update += "xref\n";
    std::sort(offsets.begin(), offsets.end());
    for (int i = 0; i < offsets.size();) {
        int j = i;
        while (j + 1 < offsets.size() && offsets[j + 1].first == offsets[j].first + 1) ++j;
        update += QByteArray::number(offsets[i].first) + " " + QByteArray::number(j - i + 1) + "\n";
        for (int k = i; k <= j; ++k)
            update += QByteArray::number(offsets[k].second).rightJustified(10, '0') + " 00000 n \n";
        i = j + 1;
    }
    const auto infoMatch = info.match(trailer);
    update += "trailer\n<< /Size " + QByteArray::number(id(static_cast<int>(marks.size()))) +
              " /Root " + rootId + " 0 R";
    if (infoMatch.hasMatch()) update += " /Info " + infoMatch.captured(1).toLatin1() + " 0 R";
    update += " /Prev " + xref.captured(1).toLatin1() + " >>\nstartxref\n" +
              QByteArray::number(xrefAt) + "\n%%EOF\n";
    pdf += update;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: render_manual MANUAL.md PICTURES_FOLDER OUT.pdf\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "render_manual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                           QPageLayout::Millimeter);
    writer.setPageLayout(page);
    writer.setCreator("VX42 Configurator");

    QTextDocument doc;
    QFont font("DejaVu Sans");
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setBaseUrl(
        QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() + "/"));
    doc.setMarkdown(markdown);
    QString title = doc.metaInformation(QTextDocument::DocumentTitle);
    if (title.isEmpty() && doc.begin().isValid()) title = doc.begin().text();
    doc.setMetaInformation(QTextDocument::DocumentTitle, title);
    writer.setTitle(title);

    doc.setPageSize(vx42::PageBodySize(writer));
    const qreal textWidth = doc.pageSize().width() - 2 * doc.documentMargin();
    if (!FitPictures(doc, textWidth)) return 1;
    if (!SetCodeBlocks(doc, textWidth)) return 1;
    KeepWithNext(doc);
    const QList<Bookmark> marks = Bookmarks(doc);
    if (!vx42::PrintPages(doc, writer)) {
        std::fprintf(stderr, "render_manual: the PDF could not be made\n");
        return 1;
    }

    QByteArray pdf = buffer.data();
    const qreal pageHeightPt = page.fullRect(QPageLayout::Point).height();
    const qreal topPt = kMarginMm * 72 / 25.4;
    if (!AddOutline(pdf, marks, pageHeightPt, topPt)) {
        std::fprintf(stderr, "render_manual: the bookmarks could not be added\n");
        return 1;
    }
    QSaveFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size() || !out.commit()) {
        std::fprintf(stderr, "render_manual: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
