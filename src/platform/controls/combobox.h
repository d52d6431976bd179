#pragma once
// The combo box: a drop-down list with an edit field. The user picks an entry
// or types any text; typing never adds entries to the list.

#include <QComboBox>

namespace pw {

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent);

    // Appends an entry; the list is not sorted.
    void AddItem(const QString& item);
    // The text of the edit field.
    QString Text() const { return currentText(); }
    void setText(const QString& text);
    int ListCount() const { return count(); }
    QString List(int index) const { return itemText(index); }

signals:
    // The edit field's text changed, by the user or by code.
    void Change();
};

} // namespace pw
