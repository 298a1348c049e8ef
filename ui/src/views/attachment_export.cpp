#include "views/attachment_export.hpp"
#include "platform/qt_child.hpp"

#include "platform/qt_conversions.hpp"

#include <QFileDialog>
#include <QSaveFile>

namespace velmora::detail {

namespace {

class FileDialogExporter final : public AttachmentExporter {
public:
    void exportDocument(QWidget* parent, VelmoraAttachmentDocument document,
                        std::function<void()> completed) override {
        auto* dialog = detail::makeQtChild<QFileDialog>(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(toQString(document.fileName));
        auto shared = std::make_shared<VelmoraAttachmentDocument>(std::move(document));
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [shared](const QString& path) {
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly)) {
                file.write(reinterpret_cast<const char*>(shared->data.data()),
                           static_cast<qint64>(shared->data.size()));
                file.commit(); // a failed save is dropped silently, as a cancelled one
            }
        });
        QObject::connect(dialog, &QDialog::finished, dialog,
                         [completed = std::move(completed)](int) {
                             if (completed)
                                 completed();
                         });
        dialog->open();
    }
};

} // namespace

std::shared_ptr<AttachmentExporter> makeFileDialogExporter() {
    return std::make_shared<FileDialogExporter>();
}

} // namespace velmora::detail
