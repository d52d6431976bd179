// The check after each action: the program against the model.

#include "soak/soaktest.h"

QString SoakTest::mismatch() {
    QStringList events = rec->events;
    if (events != expectedEvents) {
        QString shown;
        for (const RecordedBox& b : rec->boxes)
            shown += QStringLiteral("\n  [%1] %2: %3").arg(b.style).arg(b.title, b.text);
        return QStringLiteral("events %1, expected %2%3")
            .arg(events.join(", "), expectedEvents.join(", "), shown);
    }
    for (size_t i = 0; i < expectedBoxes.size(); ++i) {
        const RecordedBox& got = rec->boxes[i];
        const RecordedBox& want = expectedBoxes[i];
        const bool failure = want.text.isNull() && want.style == pw::MsgBoxCritical;
        if (got.style != want.style || got.title != want.title ||
            (failure ? !got.text.contains(failureMention, Qt::CaseInsensitive)
                     : got.text != want.text))
            return QStringLiteral("message [%1] %2: \"%3\"")
                .arg(got.style)
                .arg(got.title, got.text);
    }
    textedit* w = textedit::loadedInstance();
    if (bool(w) != m.loaded)
        return QStringLiteral("the editor window is %1loaded").arg(w ? "" : "not ");
    if (bool(viewhtml::loadedInstance()) != m.previewOpen)
        return QStringLiteral("the preview window is %1loaded").arg(m.previewOpen ? "not " : "");
    if (bool(delfile::loadedInstance()) != m.deleteOpen)
        return QStringLiteral("the Delete dialog is %1loaded").arg(m.deleteOpen ? "not " : "");
    if (openfile::loadedInstance() || savefile::loadedInstance())
        return QStringLiteral("an Open or Save As dialog stayed");
    if (w) {
        if (w->Text1->Text() != m.text())
            return QStringLiteral("the text differs:\n  has  %1\n  want %2")
                .arg(QString::fromLatin1(w->Text1->Text().toUtf8().toPercentEncoding()),
                     QString::fromLatin1(m.text().toUtf8().toPercentEncoding()));
        if (w->Text1->cursorPosition() != m.documentPosition(m.caret) ||
            w->Text1->anchorPosition() != m.documentPosition(m.anchor))
            return QStringLiteral("the caret is at %1 (anchor %2), expected %3 (%4)")
                .arg(w->Text1->cursorPosition())
                .arg(w->Text1->anchorPosition())
                .arg(m.documentPosition(m.caret))
                .arg(m.documentPosition(m.anchor));
        if (w->Text1->SelText() != m.selected())
            return QStringLiteral("the selection differs");
        if (w->CurrentFontName != m.fontName || w->CurrentBold != m.bold ||
            w->CurrentFontSize != m.size || w->CurrentForeColor != m.color)
            return QStringLiteral("the format settings are %1, %2, %3, %4")
                .arg(w->CurrentFontName, w->CurrentBold, w->CurrentFontSize, w->CurrentForeColor);
        if (w->Text1->FontName() != m.shownName || w->Text1->FontSize() != m.shownSize ||
            w->Text1->FontBold() != m.shownBold || w->Text1->ForeColor() != m.shownColor)
            return QStringLiteral("the text area shows another format");
        // Split: the text area a strip at the top, the bar below it, the page
        // under both to the bottom; normal: the text area the whole height.
        const QRect text = w->Text1->geometry(), bar = w->Shape1->geometry(),
                    page = w->WebBrowser1->geometry();
        const bool placed = m.split ? text.y() < bar.y() && bar.y() < page.y() &&
                                          text.bottom() < page.y() &&
                                          page.bottom() == w->surface()->rect().bottom() &&
                                          text.height() < page.height()
                                    : text.height() == w->surface()->height();
        if (!placed || w->WebBrowser1->Visible() != m.split || w->Shape1->Visible() != m.split)
            return QStringLiteral("the layout is not the %1 one").arg(m.split ? "split" : "normal");
        if (w->isHidden() != m.hidden)
            return QStringLiteral("the editor window is %1").arg(m.hidden ? "shown" : "hidden");
    }
    // The files on the disk.
    QMap<QString, QByteArray> disk;
    for (const QString& folder : {QString(), QStringLiteral("sub")})
        for (const QFileInfo& f :
             QDir(folderPath(folder)).entryInfoList(QDir::Files | QDir::Hidden)) {
            QFile file(f.filePath());
            if (file.open(QIODevice::ReadOnly))
                disk[folder.isEmpty() ? f.fileName() : folder + u'/' + f.fileName()] =
                    file.readAll();
        }
    if (disk != m.files) {
        QStringList names;
        for (auto it = disk.begin(); it != disk.end(); ++it)
            if (m.files.value(it.key(), "<none>") != it.value())
                names << it.key();
        for (auto it = m.files.begin(); it != m.files.end(); ++it)
            if (!disk.contains(it.key()))
                names << it.key() + " (missing)";
        return QStringLiteral("the files differ: ") + names.join(", ");
    }
    return {};
}
