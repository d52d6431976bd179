#include "combobox.h"

#include <QSignalBlocker>

namespace pw {

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Entries are offered as they are, not completed into what is typed.
    setCompleter(nullptr);
    setCurrentIndex(-1);
    setEditText(QString());
    connect(this, &QComboBox::editTextChanged, this, &ComboBox::Change);
}

void ComboBox::AddItem(const QString& item) {
    // Adding the first entry must neither select it nor put it into the edit
    // field.
    const QSignalBlocker quiet(this);
    const QString text = currentText();
    const int index = currentIndex();
    addItem(item);
    if (currentIndex() != index)
        setCurrentIndex(index);
    if (currentText() != text)
        setEditText(text);
}

void ComboBox::setText(const QString& text) {
    if (text != currentText())
        setEditText(text);
}

} // namespace pw
