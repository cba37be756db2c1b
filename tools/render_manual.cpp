// Renders the installation manual, written in Markdown, to PDF with Qt's own text layout.
// Every picture the manual names must load: a manual without its screenshots is an error.
//
// render_manual MANUAL.md PICTURES_FOLDER OUT.pdf
// Pictures are named relative to PICTURES_FOLDER.

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <QVariant>

#include <cstdio>

namespace {

constexpr qreal kMarginMm = 18;

// Scales every picture down to the text width; false when one does not load.
bool FitPictures(QTextDocument& doc, qreal textWidth) {
    struct Picture {
        int position, length;
        QTextImageFormat format;
    };
    QList<Picture> pictures;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                pictures.append({it.fragment().position(), it.fragment().length(),
                                 it.fragment().charFormat().toImageFormat()});
    bool allLoaded = true;
    for (Picture& p : pictures) {
        const QUrl url = doc.baseUrl().resolved(QUrl(p.format.name()));
        const QImage image(url.toLocalFile());
        if (image.isNull()) {
            std::fprintf(stderr, "render_manual: picture %s not found\n",
                         qPrintable(url.toLocalFile()));
            allLoaded = false;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(p.format.name()), QVariant(image));
        const qreal width = qMin<qreal>(image.width(), textWidth);
        p.format.setWidth(width);
        p.format.setHeight(image.height() * width / image.width());
        QTextCursor cursor(&doc);
        cursor.setPosition(p.position);
        cursor.setPosition(p.position + p.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(p.format);
    }
    return allLoaded;
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

    QPdfWriter writer(QString::fromLocal8Bit(argv[3]));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    writer.setCreator("VX42 Configurator");

    QTextDocument doc;
    QFont font("DejaVu Sans");
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() + "/"));
    doc.setMarkdown(markdown);
    const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
    writer.setTitle(title.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv[3])).completeBaseName()
                                    : title);

    // The layout works in screen units (96 per inch) across the printable width, less the 2 cm
    // on each side that printing a document without pages of its own keeps free.
    const qreal printMargin = 2 / 2.54 * 96;
    const qreal textWidth = writer.pageLayout().paintRectPixels(96).width() - 2 * printMargin -
                            2 * doc.documentMargin();
    if (!FitPictures(doc, textWidth)) return 1;
    doc.print(&writer);
    return 0;
}
