#include "ui/main_window.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "ui/ui_text.h"

namespace kavrin::ui {

TMainForm::TMainForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Kavrin"));
    resize(kWidth, kHeight);
    modeLabel_ = new QLabel(this);
    modeLabel_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeLabel_);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildForMode(model::TMode mode) {
    if (document_) {
        return;
    }
    document_ = std::make_unique<model::TActionDocument>(mode);
    modeLabel_->setText(mode == model::TMode::Advanced ? QStringLiteral("Advanced")
                                                       : QStringLiteral("Beginner"));
}

void TMainForm::ShowForMode(model::TMode mode) {
    const bool first = !document_;
    BuildForMode(mode);
    show();
    if (!first || pendingFile_.isEmpty()) {
        return;
    }
    const model::TFileResult result = document_->LoadFile(QFile::encodeName(pendingFile_).toStdString());
    pendingFile_.clear();
    if (!result.ok) {
        QMessageBox::critical(this, QStringLiteral("Kavrin"), FromCore(result.message));
    }
}

}  // namespace kavrin::ui
