// The floor of the startup case: the least a program showing the bank chooser must do. A dialog of
// the chooser's size and title with a drop-down of ten banks, two edits and three buttons with the
// chooser's captions (so that the same fonts are loaded), shown at once; no bank is read.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(u"选择题库"_s);
    dialog.setFixedSize(525, 225);

    auto* banks = new QComboBox(&dialog);
    banks->setGeometry(24, 46, 180, 28);
    for (int i = 1; i <= 10; ++i)
        banks->addItem(u"题库%1.stk"_s.arg(i));
    auto* name = new QLineEdit(&dialog);
    name->setGeometry(240, 46, 180, 28);
    auto* password = new QLineEdit(&dialog);
    password->setGeometry(24, 150, 165, 28);
    password->setEchoMode(QLineEdit::Password);
    const QString captions[] = {u"打开"_s, u"创建题库"_s, u"退出"_s};
    const QRect places[] = {{24, 90, 73, 42}, {240, 90, 100, 42}, {430, 170, 80, 42}};
    for (int i = 0; i < 3; ++i)
        (new QPushButton(captions[i], &dialog))->setGeometry(places[i]);

    dialog.show();
    return QApplication::exec();
}
