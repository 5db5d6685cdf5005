/* Brisvane skin: a Qt style sheet, applied to every window when this file is present. */

/* The windows keep the button face, as their labels, option buttons and frames do. */
Form1, Form2 {
    background-color: palette(button);
}

QPushButton {
    color: #1f2a36;
    background-color: #ffffff;
    border: 1px solid #a9b6c4;
    border-radius: 5px;
    padding: 1px 8px;
}
QPushButton:hover {
    background-color: #e7f0fb;
    border-color: #3b78d4;
}
QPushButton:pressed {
    background-color: #cfe0f6;
}
QPushButton:disabled {
    color: #9aa5b1;
    background-color: #f3f5f7;
    border-color: #cfd6de;
}
QPushButton#PushButton2 {
    color: #ffffff;
    background-color: #2f6fce;
    border-color: #245bb0;
}
QPushButton#PushButton2:hover {
    background-color: #3d7fe0;
}
QPushButton#PushButton2:pressed {
    background-color: #245bb0;
}

QTreeView, QListView, QTextEdit, QPlainTextEdit {
    color: #1f2a36;
    background-color: #ffffff;
    border: 1px solid #a9b6c4;
    border-radius: 4px;
    selection-background-color: #2f6fce;
    selection-color: #ffffff;
}
QTreeView::item {
    height: 18px;
}
QTreeView::item:hover {
    background-color: #e7f0fb;
    color: #1f2a36;
}
QTreeView::item:selected {
    background-color: #2f6fce;
    color: #ffffff;
}
QHeaderView {
    background-color: #e4e9ef;
    border: none;
}
QHeaderView::section {
    color: #33414f;
    background-color: #e4e9ef;
    border: none;
    border-right: 1px solid #c6cfd9;
    border-bottom: 1px solid #c6cfd9;
    padding: 3px 6px;
}

QLineEdit {
    background-color: #ffffff;
    border: 1px solid #a9b6c4;
    border-radius: 4px;
    padding: 1px 4px;
    selection-background-color: #2f6fce;
}
QLineEdit:focus {
    border-color: #3b78d4;
}

QGroupBox {
    border: 1px solid #c0cad5;
    border-radius: 5px;
    margin-top: 8px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
    color: #33414f;
}

/* Scroll bars of lists and pictures are slim; stand-alone value bars keep their arrows. */
QAbstractScrollArea QScrollBar:vertical {
    background: #f1f4f7;
    width: 12px;
    margin: 0;
}
QAbstractScrollArea QScrollBar:horizontal {
    background: #f1f4f7;
    height: 12px;
    margin: 0;
}
QAbstractScrollArea QScrollBar::handle {
    background: #b9c4d0;
    border-radius: 4px;
    margin: 2px;
}
QAbstractScrollArea QScrollBar::handle:hover {
    background: #8e9dad;
}
QAbstractScrollArea QScrollBar::handle:vertical {
    min-height: 24px;
}
QAbstractScrollArea QScrollBar::handle:horizontal {
    min-width: 24px;
}
QAbstractScrollArea QScrollBar::add-line, QAbstractScrollArea QScrollBar::sub-line {
    width: 0;
    height: 0;
}
QAbstractScrollArea QScrollBar::add-page, QAbstractScrollArea QScrollBar::sub-page {
    background: none;
}

QToolTip {
    color: #1f2a36;
    background-color: #fffbe6;
    border: 1px solid #c9b96a;
    padding: 3px;
}
