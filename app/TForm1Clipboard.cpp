// The clipboard watcher: copies made in other programs become questions. A copied picture is saved as
// a BMP file in the bank's folder and attached to the question being written; copied text opens an
// editor with it as a new question's text.
#include "app/TForm1.h"
#include "editor/TTianjia.h"
#include "platform/Error.h"
#include "platform/PictureFiles.h"
#include "platform/Platform.h"
#include "store/BankFolder.h"
#include "ui_TForm1.h"

using namespace Qt::StringLiterals;

void TForm1::WMDrawClipboard() {
    // While the chooser shows there is no bank to put anything into, nor after the bank is closed.
    if (!tikuSql || !tikuSql->isOpen())
        return;
    if (!ui_->chkjiantieban->isChecked())
        return;

    platform::Platform& os = platform::current();
    // A copy that carries a picture is a picture, whatever text comes with it.
    if (os.clipboardHasImage()) {
        const QString folder = bankfolder::checked(*tikuSql);
        // A picture that cannot be read raises its own message here, before anything is written.
        const QImage picture = os.clipboardImage();
        // Nothing is opened or fed with a picture that is not on disk.
        const platform::SavedPicture saved = platform::writeBitmapInto(folder, picture);
        platform::raiseIfDiskFull(saved, folder);
        if (saved.result != platform::WriteResult::Written)
            throw platform::Error(u"无法写入图片文件：%1"_s.arg(folder + u'/' + saved.name));
        const QString& name = saved.name;
        if (editorOpen) {
            if (Tianjia) {
                Tianjia->imgName = name;
                Tianjia->ShowPicture();
            }
            return;
        }
        editorOpen = true;
        TTianjia* editor = NewEditor();
        editor->isXiuGai = 0;
        editor->imgName = name;
        editor->ShowPicture();
        ShowEditor(editor);
        editorOpen = false;
        return;
    }

    // Every editor lowers acceptClipText once it has loaded its question: copied text never replaces
    // what a writer has in front of them.
    if (!acceptClipText || !os.clipboardHasText())
        return;
    const QString text = os.clipboardText();
    if (editorOpen) {
        if (Tianjia)
            Tianjia->TakeClipboardText(text);
        return;
    }
    editorOpen = true;
    TTianjia* editor = NewEditor();
    // Before it shows: the editor loads as a new question with this text.
    editor->TakeClipboardText(text);
    ShowEditor(editor);
    editorOpen = false;
}
