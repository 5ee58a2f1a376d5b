#include "bankinfo/TFormTikuxinxisezhi.h"

#include "bankinfo/PlaceholderLogo.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/PictureFiles.h"
#include "platform/Platform.h"
#include "store/BankFolder.h"
#include "store/m_sql.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QMouseEvent>
#include <QPixmap>
#include <exception>

using namespace Qt::StringLiterals;

TFormTikuxinxisezhi* FormTikuxinxisezhi = nullptr;

TFormTikuxinxisezhi::TFormTikuxinxisezhi(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TFormTikuxinxisezhi>()) {
    ui_->setupUi(this);
    ShowPicture(placeholderLogo());

    // Every change of the box, the store's included, keeps the password panel in step with it.
    connect(ui_->chk1, &QCheckBox::toggled, this, platform::guarded([this] { chk1Click(); }));
    connect(ui_->btn1, &QPushButton::clicked, this, platform::guarded([this] { btn1Click(); }));
    connect(ui_->btn2, &QPushButton::clicked, this, platform::guarded([this] { btn2Click(); }));
    // The hint beside the preview is a second way to browse; a label has no click of its own.
    ui_->lbl4->installEventFilter(this);
}

TFormTikuxinxisezhi::~TFormTikuxinxisezhi() {
    if (FormTikuxinxisezhi == this)
        FormTikuxinxisezhi = nullptr;
}

QString TFormTikuxinxisezhi::pictureFilter() {
    return u"图片文件(*.jpg,*.bmp,*.png) (*.jpg *.bmp *.png *.JPG *.BMP *.PNG)"_s;
}

void TFormTikuxinxisezhi::ShowBankInfo(m_sql* store) {
    sql = store;
    FillFromStore();
    exec();
}

void TFormTikuxinxisezhi::FillFromStore() {
    m_sql& bank = store();
    ui_->edtzuozhe->setText(bank.GetTikuZuoZhe());
    ui_->edtrul->setText(bank.GetTikuRUL());
    ui_->chk1->setChecked(bank.GetIsJiaMi());
    // The password is loaded even when the lock is off, so that ticking the box brings it back.
    ui_->edtmima->setText(bank.GetCharMima());
    const QString logo = bank.GetTikuLOGO();
    ui_->edt1->setText(logo);
    const QString folder = bank.GetMulu();
    ui_->edtmulu->setText(folder);
    ShowStoredLogo(logo, folder);
}

void TFormTikuxinxisezhi::ShowStoredLogo(const QString& logo, const QString& folder) {
    if (logo.isEmpty())
        return;
    // A browse stores a bare name, of a picture it copied into the bank's folder: that is where it is
    // looked for first (a folder outside the program directory is never read). A name that is a path
    // is taken as it stands, against the working directory; so is a bare name the folder lacks.
    QStringList places;
    if (!logo.contains(u'/') && !logo.contains(u'\\') && bankfolder::staysInside(folder))
        places << folder + u'/' + logo;
    places << logo;
    platform::Platform& os = platform::current();
    for (const QString& path : places) {
        if (!os.fileExists(path))
            continue;
        try {
            const QImage picture = os.loadPicture(path);
            if (!picture.isNull()) {
                ShowPicture(picture);
                return;
            }
        } catch (const std::exception&) {
            // Only a preview: the dialog opens with the picture it showed before.
        }
    }
}

void TFormTikuxinxisezhi::chk1Click() {
    ui_->pnl1->setVisible(ui_->chk1->isChecked());
}

void TFormTikuxinxisezhi::btn1Click() {
    m_sql& bank = store();
    // Checked before anything is stored: a refused folder leaves every setting as it was.
    const QString folder = ui_->edtmulu->text();
    if (!bankfolder::staysInside(folder)) {
        platform::current().showMessage(
            u"目录“%1”不在程序目录之内，不能作为题库的图片目录：请填写程序目录里的一个文件夹名。"
            u"没有保存任何设置。"_s.arg(folder));
        ui_->edtmulu->setFocus();
        return;
    }
    bank.SetTikuZuoZhe(ui_->edtzuozhe->text());
    bank.SetTikuRUL(ui_->edtrul->text());
    // Stored whatever the lock: unlocking keeps the password for the next time the bank is locked.
    bank.SetCharMima(ui_->edtmima->text());
    bank.SetIsJiaMi(ui_->chk1->isChecked());
    bank.SetTikuLOGO(ui_->edt1->text());
    bank.SetMulu(folder);
    accept();
}

void TFormTikuxinxisezhi::btn2Click() {
    platform::Platform& os = platform::current();
    const QString chosen = os.openFileName(this, pictureFilter());
    if (chosen.isEmpty())
        return;
    m_sql& bank = store();
    // The copy comes first: the name is the first one free from the tick count on. A full disk
    // leaves the setting as it was.
    const QString folder = bankfolder::checked(bank);
    const platform::SavedPicture copy = platform::copyPictureInto(folder, chosen);
    platform::raiseIfDiskFull(copy, folder);
    // The new name is the bank's logo from now on, whether or not the dialog is confirmed. A copy that
    // failed otherwise is not reported: the preview below cannot show the picture and says so.
    bank.SetTikuLOGO(copy.name);

    const QString shown = bankfolder::checked(bank) + u'/' + bank.GetTikuLOGO();
    const QImage logo = os.loadPicture(shown);
    if (logo.isNull())
        throw platform::Error(u"无法显示LOGO图片：%1"_s.arg(shown));
    ShowPicture(logo);
    ui_->edt1->setText(bank.GetTikuLOGO());
}

bool TFormTikuxinxisezhi::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->lbl4 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui_->lbl4->rect().contains(mouse->position().toPoint())) {
            platform::runGuarded([this] { btn2Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormTikuxinxisezhi::ShowPicture(const QImage& picture) {
    picture_ = picture;
    // A logo larger than the preview is shown whole, scaled down; a smaller one at its own size.
    const QSize room = ui_->img1->contentsRect().size();
    QPixmap shown = QPixmap::fromImage(picture);
    if (shown.width() > room.width() || shown.height() > room.height())
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    ui_->img1->setPixmap(shown);
}

m_sql& TFormTikuxinxisezhi::store() const {
    if (!sql)
        throw platform::Error(u"没有打开的题库"_s);
    return *sql;
}
