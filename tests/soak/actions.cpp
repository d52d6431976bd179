// The actions a user takes, each followed by what the model expects of it.

#include "soak/soaktest.h"

void SoakTest::note(const QString& kind, const QString& detail) {
    ++counts[kind];
    const QString what = detail.isEmpty() ? kind : kind + u' ' + detail;
    if (qEnvironmentVariableIsSet("PAGEWICK_SOAK_TRACE"))
        qDebug("action: %s", qPrintable(what));
    recent.push_back(what);
    if (recent.size() > 20)
        recent.pop_front();
}

QString SoakTest::history() const {
    QString out = QStringLiteral("\nseed %1; the last actions:").arg(seed);
    for (const QString& a : recent)
        out += QStringLiteral("\n  ") + a;
    return out;
}

QString SoakTest::folderPath(const QString& folder) const {
    return folder.isEmpty() ? root.path() : root.filePath(folder);
}

void SoakTest::expectFailure(const QString& mention) {
    expectedEvents << QStringLiteral("msgbox");
    expectedBoxes.push_back({QString(), pw::MsgBoxCritical, QStringLiteral("Pagewick")});
    failureMention = mention;
}

void SoakTest::expectBox(const QString& text, int style, const QString& title) {
    expectedEvents << QStringLiteral("beep") << QStringLiteral("msgbox");
    expectedBoxes.push_back({text, style, title});
}

void SoakTest::typeText(const QString& text) {
    textedit& w = editor();
    for (const QChar c : text) {
        if (c == u'\r')
            QTest::keyClick(w.Text1, Qt::Key_Return);
        else if (c == u'\t')
            QTest::sendKeyEvent(QTest::Click, w.Text1, Qt::Key_Tab, QStringLiteral("\t"),
                                Qt::NoModifier);
        else
            QTest::sendKeyEvent(QTest::Click, w.Text1, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
}

void SoakTest::actType() {
    static const QStringList alphabet = {"a",
                                         "b",
                                         "c",
                                         "x",
                                         "Y",
                                         "Z",
                                         "0",
                                         "7",
                                         " ",
                                         " ",
                                         "<",
                                         ">",
                                         "/",
                                         "=",
                                         "\"",
                                         "&",
                                         ";",
                                         "\t",
                                         "\xc3\xa9",
                                         "\xe2\x82\xac",
                                         "\xe6\x97\xa5",
                                         "p",
                                         "h1",
                                         "<p>",
                                         "</p>"};
    QString text;
    const int n = 1 + pick(8);
    for (int i = 0; i < n; ++i)
        text += chance(8) ? QStringLiteral("\r") : QString::fromUtf8(any(alphabet).toUtf8());
    note(QStringLiteral("type"), QString(text).replace("\r", "\\r").replace("\t", "\\t"));
    typeText(text);
    // Each key replaces the selection, if any, then goes on at the caret;
    // Enter is a step of its own.
    for (const QChar c : text)
        m.replaceSelection({c == u'\r' ? QStringLiteral("\r\n") : QString(c)},
                           c != u'\r' ? Model::Kind::Typing : Model::Kind::Other);
}

void SoakTest::actKey() {
    textedit& w = editor();
    const bool selection = m.caret != m.anchor;
    const int n = int(m.units.size());
    const auto key = [&](const char* name, Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        note(QStringLiteral("key ") + QLatin1String(name));
        QTest::keyClick(w.Text1, k, mods);
    };
    switch (pick(17)) {
    case 0:
        key("Backspace", Qt::Key_Backspace);
        if (selection)
            m.replaceSelection({});
        else if (m.caret > 0)
            m.replace(m.caret - 1, m.caret, {}, Model::Kind::Backspace);
        break;
    case 1:
        key("Delete", Qt::Key_Delete);
        if (selection)
            m.replaceSelection({});
        else if (m.caret < n)
            m.replace(m.caret, m.caret + 1, {}, Model::Kind::Delete);
        break;
    case 2:
    case 3:
        if (selection) // a plain arrow on a selection is left alone
            break;
        key("Left", Qt::Key_Left);
        m.moveTo(std::max(0, m.caret - 1));
        break;
    case 4:
        if (selection)
            break;
        key("Right", Qt::Key_Right);
        m.moveTo(std::min(n, m.caret + 1));
        break;
    case 5:
        key("Shift+Left", Qt::Key_Left, Qt::ShiftModifier);
        m.moveTo(std::max(0, m.caret - 1), m.anchor);
        break;
    case 6:
        key("Shift+Right", Qt::Key_Right, Qt::ShiftModifier);
        m.moveTo(std::min(n, m.caret + 1), m.anchor);
        break;
    case 7:
        key("Ctrl+Home", Qt::Key_Home, Qt::ControlModifier);
        m.moveTo(0);
        break;
    case 8:
        key("Ctrl+End", Qt::Key_End, Qt::ControlModifier);
        m.moveTo(n);
        break;
    case 9:
        key("Ctrl+A", Qt::Key_A, Qt::ControlModifier);
        m.moveTo(n, 0);
        break;
    case 10:
    case 11:
        key("Ctrl+Z", Qt::Key_Z, Qt::ControlModifier);
        m.undo();
        break;
    case 12:
        if (chance(50))
            key("Ctrl+Y", Qt::Key_Y, Qt::ControlModifier);
        else
            key("Ctrl+Shift+Z", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        m.redo();
        break;
    case 13:
        key("Ctrl+Left", Qt::Key_Left, Qt::ControlModifier);
        m.moveTo(m.wordLeft(m.caret));
        break;
    case 14:
        key("Ctrl+Shift+Right", Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        m.moveTo(m.wordRight(m.caret), m.anchor);
        break;
    case 15:
        key("Ctrl+Backspace", Qt::Key_Backspace, Qt::ControlModifier);
        if (selection)
            m.replaceSelection({});
        else
            m.replace(m.wordLeft(m.caret), m.caret, {}, Model::Kind::Backspace);
        break;
    case 16:
        key("Ctrl+Delete", Qt::Key_Delete, Qt::ControlModifier);
        if (selection)
            m.replaceSelection({});
        else
            m.replace(m.caret, m.wordRight(m.caret), {}, Model::Kind::Delete);
        break;
    }
}

void SoakTest::actClipboardKey() {
    textedit& w = editor();
    const bool selection = m.caret != m.anchor;
    switch (pick(3)) {
    case 0:
        note(QStringLiteral("key Ctrl+C"));
        QTest::keyClick(w.Text1, Qt::Key_C, Qt::ControlModifier);
        if (selection) {
            m.clipboard = m.selected();
            m.clipboardHasText = true;
        }
        break;
    case 1:
        note(QStringLiteral("key Ctrl+X"));
        QTest::keyClick(w.Text1, Qt::Key_X, Qt::ControlModifier);
        if (selection) {
            m.clipboard = m.selected();
            m.clipboardHasText = true;
            m.replaceSelection({});
        }
        break;
    case 2:
        if (!m.clipboardHasText || m.clipboard.isEmpty())
            break;
        note(QStringLiteral("key Shift+Insert"));
        QTest::keyClick(w.Text1, Qt::Key_Insert, Qt::ShiftModifier);
        m.replaceSelection(unitsOf(m.clipboard));
        break;
    }
}

void SoakTest::actForeignClipboard() {
    static const QStringList pieces = {
        "word",     " ",   "\r\n", "\r", "\n", QString(QChar(0)), "\xf0\x9f\x98\x80",
        "\xc3\xa9", "<b>", "\t"};
    QString text;
    const int n = pick(6);
    for (int i = 0; i < n; ++i)
        text += QString::fromUtf8(any(pieces).toUtf8());
    if (chance(10))
        text += QChar(0xD800); // a lone half of a pair: no file can hold it
    note(QStringLiteral("clipboard from another program"),
         QStringLiteral("(%1 characters)").arg(text.size()));
    QApplication::clipboard()->setText(text);
    m.clipboard = text;
    m.clipboardHasText = true;
}

void SoakTest::actFont() {
    const FontCommand& c = any(fontCommands());
    note(QStringLiteral("menu Font"), c.stored);
    trigger(editor().*c.item);
    switch (c.kind) {
    case FontCommand::Name:
        m.fontName = m.shownName = c.stored;
        break;
    case FontCommand::Size:
        m.size = c.stored;
        if (c.stored != QLatin1String("28"))
            m.shownSize = c.stored.toFloat();
        break;
    case FontCommand::Bold:
        m.bold = c.stored;
        m.shownBold = c.stored == QLatin1String("true");
        break;
    case FontCommand::Color:
        m.color = c.stored;
        m.shownColor = c.stored.toInt();
        break;
    }
}

void SoakTest::actEdit() {
    textedit& w = editor();
    switch (pick(3)) {
    case 0:
        note(QStringLiteral("menu Copy"));
        trigger(w.cpyh);
        m.clipboard = m.selected();
        m.clipboardHasText = true;
        break;
    case 1:
        note(QStringLiteral("menu Past"));
        trigger(w.ptsf);
        m.replaceSelection(unitsOf(m.clipboardHasText ? m.clipboard : QString()));
        break;
    case 2:
        note(QStringLiteral("menu Clear"));
        trigger(w.clsg);
        m.setText(QString());
        break;
    }
}

void SoakTest::actPrint() {
    note(QStringLiteral("menu Print"));
    QFile::remove(pdf->path());
    trigger(editor().prnt);
    QVERIFY2(QFileInfo(pdf->path()).size() > 0, qPrintable("nothing printed" + history()));
}

void SoakTest::actHelpAndDonate() {
    textedit& w = editor();
    struct Entry {
        pw::Menu* item;
        const char* file;
    };
    const QList<Entry> documents = {{w.redme, "Readme.txt"},
                                    {w.contactus, "contact.html"},
                                    {w.dola, "donate1.html"},
                                    {w.twodol, "donate2.html"},
                                    {w.fivedol, "donate5.html"}};
    switch (pick(4)) {
    case 0:
        note(QStringLiteral("menu About"));
        trigger(w.about);
        expectBox(QString(), pw::MsgBoxInformation, QStringLiteral("About"));
        break;
    case 1:
        note(QStringLiteral("menu Calculator"));
        trigger(w.wcw);
        if (calculator.isEmpty())
            expectFailure(QStringLiteral("calculator"));
        else
            expectedEvents << QStringLiteral("start ") + calculator + QLatin1Char(' ');
        break;
    default: {
        const Entry& e = any(documents);
        note(QStringLiteral("menu %1").arg(e.file));
        trigger(e.item);
        expectedEvents << QStringLiteral("open ") + aside.filePath(e.file);
        break;
    }
    }
}

void SoakTest::actExitCommand() {
    // File > Exit ends the program at once; the recorder only notes it.
    note(QStringLiteral("menu Exit"));
    trigger(editor().ext);
    expectedEvents << QStringLiteral("end");
}

void SoakTest::pressView(char letter) {
    textedit& w = editor();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        QFAIL(qPrintable("the editor window did not become active" + history()));
    QTest::keyClick(w.Text1, Qt::Key(Qt::Key_A + (letter - 'A')), Qt::ControlModifier);
}

void SoakTest::actView() {
    textedit& w = editor();
    const QString text = m.text();
    const std::optional<QByteArray> bytes = utf8WithKeptBytes(text);
    const int which = pick(4);
    const bool byKey = chance(70);
    if (which == 0) {
        note(QStringLiteral("menu Normal"));
        trigger(w.namand);
        m.split = false;
        return;
    }
    static const char letters[] = {0, 'V', 'S', 'R'};
    note(QStringLiteral("%1 Ctrl+%2").arg(byKey ? "key" : "menu").arg(letters[which]));
    viewhtml* before = viewhtml::loadedInstance();
    if (byKey)
        pressView(letters[which]);
    else
        trigger(which == 1 ? w.awpn : which == 2 ? w.horisz : w.refresh);
    if (!bytes) {
        expectFailure(QStringLiteral("cannot be stored"));
        return;
    }
    m.files[QStringLiteral("view.html")] = *bytes + "\r\n";
    if (which == 1) {
        if (before)
            QVERIFY2(viewhtml::loadedInstance() == before,
                     qPrintable("the open preview window was replaced" + history()));
        m.previewOpen = true;
    } else if (which == 2) {
        m.split = true;
    }
}

void SoakTest::actClosePreview() {
    note(QStringLiteral("close preview window"));
    QVERIFY(viewhtml::loadedInstance()->close());
    m.previewOpen = false;
    afterUnload();
}

void SoakTest::goTo(pw::FolderList* list, const QString& folder) {
    const QString target = QDir::toNativeSeparators(folderPath(folder));
    if (list->Path() == target)
        return;
    for (int i = 0; i < list->ListCount(); ++i) {
        if (list->List(i) == target) {
            list->setCurrentRow(i);
            QTest::keyClick(list, Qt::Key_Return);
            break;
        }
    }
    QVERIFY2(list->Path() == target, qPrintable("could not move to " + target + history()));
}

void SoakTest::typeInto(QLineEdit* box, const QString& text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QCOMPARE(box->text(), text);
}

void SoakTest::actOpen() {
    trigger(editor().opd);
    openfile* d = openfile::loadedInstance();
    QVERIFY(d && d->isVisible());
    const QString folder = chance(60) ? QString() : QStringLiteral("sub");
    goTo(d->Dir1, folder);
    const QStringList names = m.filesIn(folder);
    QVERIFY2(sorted(entries(d->File1)) == sorted(names),
             qPrintable("the file list is not the folder's files" + history()));
    QString name;
    if (names.isEmpty() || chance(10)) {
        name = QStringLiteral("missing.txt");
        typeInto(d->Text1, name);
    } else {
        name = any(names);
        if (chance(70)) {
            d->File1->setListIndex(rowOf(d->File1, name));
            QCOMPARE(d->Text1->Text(), name);
        } else {
            typeInto(d->Text1, name);
        }
    }
    const QString key = folder.isEmpty() ? name : folder + u'/' + name;
    note(QStringLiteral("dialog Open"), key);
    d->Command1->click();
    if (!m.files.contains(key)) {
        expectFailure(QStringLiteral("does not exist"));
        QVERIFY(openfile::loadedInstance());
        d->Command2->click();
        return;
    }
    QVERIFY2(!openfile::loadedInstance(), qPrintable("the Open dialog stayed" + history()));
    m.setText(load(m.files[key]));
}

void SoakTest::actSave() {
    trigger(editor().sav);
    savefile* d = savefile::loadedInstance();
    QVERIFY(d && d->isVisible());
    const QString folder = chance(60) ? QString() : QStringLiteral("sub");
    goTo(d->Dir1, folder);
    QString name = any(QStringList{"a", "b", "Notes", "page", "view"});
    QString type;
    if (chance(10)) {
        name.clear(); // neither name nor type: the path names the folder
    } else if (chance(80)) {
        const int index = pick(d->Combo1->ListCount());
        d->Combo1->setCurrentIndex(index);
        type = d->Combo1->List(index);
    } else if (chance(50)) {
        type = QStringLiteral(".txt");
        typeInto(d->Combo1->lineEdit(), type);
    }
    typeInto(d->Text1, name);
    if (name.isEmpty())
        d->Combo1->setText(QString());
    const QString file = name + type;
    const QString key = folder.isEmpty() ? file : folder + u'/' + file;
    note(QStringLiteral("dialog Save As"), u'"' + key + u'"');
    d->Command1->click();
    const std::optional<QByteArray> bytes = utf8WithKeptBytes(m.text());
    if (file.isEmpty() || !bytes) {
        expectFailure(file.isEmpty() ? QStringLiteral("folder")
                                     : QStringLiteral("cannot be stored"));
        QVERIFY(savefile::loadedInstance());
        d->Command2->click();
        return;
    }
    expectBox(QStringLiteral("File saved successfully!"), pw::MsgBoxExclamation,
              QStringLiteral("File Saved"));
    QVERIFY2(!savefile::loadedInstance(), qPrintable("the Save As dialog stayed" + history()));
    m.files[key] = *bytes + "\r\n";
}

void SoakTest::actDelete() {
    trigger(editor().ddel);
    delfile* d = delfile::loadedInstance();
    QVERIFY(d && d->isVisible());
    if (!m.deleteOpen) {
        m.deleteOpen = true;
        m.deleteFolder.clear();
        m.deleteListing = m.filesIn(QString());
    }
    const QString folder = chance(60) ? QString() : QStringLiteral("sub");
    if (folder != m.deleteFolder) {
        goTo(d->Dir1, folder);
        m.deleteFolder = folder;
        m.deleteListing = m.filesIn(folder);
    }
    // The list is read when the folder changes, not after a deletion.
    QVERIFY2(sorted(entries(d->File1)) == sorted(m.deleteListing),
             qPrintable("the Delete dialog lists other files" + history()));
    if (m.deleteListing.isEmpty() || chance(15)) {
        note(QStringLiteral("dialog Delete, Cancel"));
        d->Command2->click();
        m.deleteOpen = false;
        afterUnload();
        return;
    }
    const QString name = any(m.deleteListing);
    d->File1->setListIndex(rowOf(d->File1, name));
    const QString key = folder.isEmpty() ? name : folder + u'/' + name;
    note(QStringLiteral("dialog Delete"), key);
    d->Command1->click();
    if (m.files.remove(key))
        expectBox(QStringLiteral("File Deleted!"), pw::MsgBoxCritical,
                  QStringLiteral("File Deleted"));
    else
        expectFailure(QStringLiteral("does not exist"));
    // The name box only ever shows the selected file.
    QTest::keyClicks(d->Text1, QStringLiteral("z"));
    QCOMPARE(d->Text1->Text(), name);
}

void SoakTest::actForeignFile() {
    const QString key = (chance(50) ? QString() : QStringLiteral("sub/")) +
                        QStringLiteral("other%1.txt").arg(pick(3));
    if (chance(25)) {
        note(QStringLiteral("file removed by another program"), key);
        QFile::remove(root.filePath(key));
        m.files.remove(key);
        return;
    }
    static const QList<QByteArray> pieces = {
        "line", "\r\n", "\r", "\n", QByteArray(1, '\0'), "\xff", "caf\xc3\xa9", "<i>x</i>", " "};
    QByteArray bytes;
    const int n = pick(12);
    for (int i = 0; i < n; ++i)
        bytes += any(pieces);
    note(QStringLiteral("file written by another program"), key);
    QFile f(root.filePath(key));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    m.files[key] = bytes;
}

void SoakTest::actMinimise() {
    note(QStringLiteral("minimise"));
    textedit& w = editor();
    w.setWindowState(pw::vbMinimized);
    QVERIFY2(QTest::qWaitFor([&] { return w.isHidden(); }, 2000),
             qPrintable("minimising did not hide the window" + history()));
    m.hidden = true;
}

void SoakTest::actTray() {
    static const QList<int> codes = {514, 514, 514, 515, 517, 517, 517,
                                     512, 513, 516, 518, 519, 520, 521};
    const int code = any(codes);
    if (code != 517) {
        note(QStringLiteral("tray code %1").arg(code));
        QVERIFY(tray->click(code));
        if (code == 514 || code == 515)
            m.hidden = false;
        return;
    }
    const int choice = pick(100);
    const char key = choice < 45 ? 'r' : choice < 95 ? 0 : 'e';
    note(QStringLiteral("tray menu %1")
             .arg(key == 'r'   ? "Restore"
                  : key == 'e' ? "Exit"
                               : "dismissed"));
    QVERIFY2(popupDuring([&] { QVERIFY(tray->click(code)); }, key),
             qPrintable("no tray menu opened" + history()));
    if (key == 'r') {
        m.hidden = false;
    } else if (key == 'e') {
        m.loaded = false;
        afterUnload();
    }
}

void SoakTest::actClose() {
    note(QStringLiteral("close editor window"));
    QVERIFY(editor().close());
    m.loaded = false;
    afterUnload();
}

void SoakTest::actStart() {
    note(QStringLiteral("start the editor again"));
    textedit& w = editor();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    m.start();
}

void SoakTest::afterUnload() {
    if (!m.loaded && !m.previewOpen && !m.deleteOpen)
        expectedEvents << QStringLiteral("quit");
}
