#include "unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QScreen>

#include "dialogs.h"
#include "dragarea.h"
#include "filelookup.h"
#include "gamearea.h"
#include "levelfile.h"

namespace {

struct PaletteEntry {
    int tag;
    QPoint position;
    const char* picture;
};

// In creation order, which is also the stacking order.
constexpr PaletteEntry kPalette[] = {
    {level::kHeroTag, {16, 112}, "hero"},          {level::kPlatform50Tag, {8, 184}, "platform50"},
    {level::kPlatform75Tag, {8, 200}, "platform75"}, {level::kPlatform100Tag, {8, 216}, "platform100"},
    {level::kBombTag, {8, 240}, "bomb"},            {level::kBoostTag, {56, 245}, "boost"},
    {level::kCoinTag, {32, 245}, "coin"},           {level::kEnemy1Tag, {64, 112}, "enemy1"},
    {level::kEnemy2Tag, {104, 112}, "enemy2"},      {level::kPowerTag, {80, 245}, "power"},
};

constexpr QPoint kGameAreaPosition{level::kGameAreaLeft, level::kGameAreaTop};
constexpr QSize kGameAreaSize{level::kGameAreaWidth, level::kGameAreaHeight};
constexpr QPoint kGuardarDesignPosition{304, 253};
constexpr QPoint kCargarDesignPosition{328, 253};
constexpr QPoint kLabelDesignPosition{368, 256};
constexpr QPoint kGuardarInBar{295, 4};
constexpr QPoint kCargarInBar{319, 3};
constexpr QPoint kLabelInBar{345, 5};
constexpr int kStatusBarTop = 272;
constexpr int kImage1Tag = 5;

const char* const kHintProperty = "hint";

QString StripControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= u' ') ++first;
    while (last > first && text[last - 1].unicode() <= u' ') --last;
    return text.mid(first, last - first);
}

QFont WindowFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace

TForm1::TForm1(std::string programDirectory)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      programDirectory_(std::move(programDirectory)),
      level_(std::make_unique<level::Level>(static_cast<level::LevelServices&>(*this), programDirectory_)),
      sprites_([this](const std::string& path) { return level::ResolveBelow(programDirectory_, path); }) {
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setObjectName("Form1");
    setFixedSize(kClientWidth, kClientHeight);
    setFont(WindowFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setWindowTitle(level::kDesignTitle);
    CreateControls();
    FormCreate();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    FormClose();
}

void TForm1::CreateControls() {
    stage_ = new TStage(*this, this);
    image1_ = stage_->AddPicture(PictureItem::Role::Background, "Image1", {0, 0}, {TStage::kWidth, TStage::kHeight},
                                 kImage1Tag);
    image1_->SetPicture(artwork::Embedded("background"));
    image2_ = stage_->AddPicture(PictureItem::Role::GameArea, "Image2", kGameAreaPosition, kGameAreaSize);
    image2_->cursorShape = Qt::CrossCursor;
    image2_->hint = kGameAreaHint;

    for (const PaletteEntry& entry : kPalette) {
        const level::ObjectKind& kind = level::KindOf(entry.tag);
        PictureItem* item = stage_->AddPicture(PictureItem::Role::Palette, kind.paletteName, entry.position,
                                               {kind.width, kind.height}, entry.tag);
        const QImage picture = artwork::Embedded(entry.picture);
        // The second enemy's control is larger than its picture, as placed ones are.
        if (entry.tag == level::kEnemy2Tag) item->SetPicture(picture);
        else item->SetPictureAndSize(picture);
        item->cursorShape = Qt::PointingHandCursor;
        item->hint = kPaletteHint;
        palette_[entry.tag] = item;
    }

    guardar_ = new TIcon(artwork::Embedded("save"), this);
    guardar_->setObjectName("guardar");
    guardar_->move(kGuardarDesignPosition);
    guardar_->setProperty(kHintProperty, "Save Level");
    guardar_->onDoubleClick = [this] { Guarded([this] { guardarDblClick(); }); };

    cargar_ = new TIcon(artwork::Embedded("load"), this);
    cargar_->setObjectName("cargar");
    cargar_->move(kCargarDesignPosition);
    cargar_->setProperty(kHintProperty, "Load Level");
    cargar_->onDoubleClick = [this] { Guarded([this] { cargarDblClick(); }); };

    label1_ = new TLinkLabel(this);
    label1_->setObjectName("Label1");
    label1_->SetCaption("Label1");
    label1_->move(kLabelDesignPosition);
    label1_->setProperty(kHintProperty, kMakersHint);
    label1_->onClick = [this] { Guarded([this] { Label1Click(); }); };

    statusBar_ = new TStatusBar(this);
    statusBar_->setObjectName("StatusBar1");
    statusBar_->setGeometry(0, kStatusBarTop, kClientWidth, TStatusBar::kHeight);

    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName("PopupMenu1");
    QAction* next = popupMenu1_->addAction("Next Level");
    next->setObjectName("NextLevel1");
    connect(next, &QAction::triggered, this, [this] { Guarded([this] { NextLevel1Click(); }); });
    QAction* previous = popupMenu1_->addAction("Previous Level");
    previous->setObjectName("PreviousLevel1");
    connect(previous, &QAction::triggered, this, [this] { Guarded([this] { PreviousLevel1Click(); }); });

    borrarObjeto_ = new QMenu(this);
    borrarObjeto_->setObjectName("BorrarObjeto");
    QAction* deleteItem = borrarObjeto_->addAction("Delete Item");
    deleteItem->setObjectName("DeleteItem1");
    connect(deleteItem, &QAction::triggered, this, [this] { Guarded([this] { DeleteItem1Click(); }); });

    for (QMenu* menu : {popupMenu1_, borrarObjeto_}) {
        connect(menu, &QMenu::aboutToShow, &hintTimer_, qOverload<>(&QTimer::start));
        connect(menu, &QMenu::aboutToHide, &hintTimer_, qOverload<>(&QTimer::start));
    }
}

void TForm1::FormCreate() {
    hintTimer_.setSingleShot(true);
    hintTimer_.setInterval(0);
    connect(&hintTimer_, &QTimer::timeout, this, &TForm1::UpdateHint);
    qApp->installEventFilter(this);

    round_ = level::kFirstRound;
    try {
        const std::string path = level::BackgroundPath(programDirectory_, round_, level::BackgroundSpelling::Startup);
        image2_->SetPicture(artwork::FromFile(level::ResolveBelow(programDirectory_, path)));
    } catch (const std::exception& e) {
        ShowFailure(e.what());
    }
    guardar_->setParent(statusBar_);
    guardar_->move(kGuardarInBar);
    guardar_->show();
    cargar_->setParent(statusBar_);
    cargar_->move(kCargarInBar);
    cargar_->show();
    setWindowTitle(QString::fromStdString(level::RoundTitle(round_)));
    label1_->SetCaption(kMakersAddress);
    label1_->setParent(statusBar_);
    label1_->move(kLabelInBar);
    label1_->show();
    level_->pendingX = 0;
    level_->pendingY = 0;
    level::LoadLevel(*level_, round_);
}

void TForm1::FormClose() {
    dragging_ = false;
    level_->Clear();
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Another window taking the mouse (a message box, say) ends a drag as a release would.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && stage_->Captured() != nullptr)
        CaptureLost();
}

PictureItem* TForm1::PaletteControl(int tag) const { return level::IsValidTag(tag) ? palette_[tag] : nullptr; }

void TForm1::ShowFailure(const char* text) { dialogs::ShowError(QString::fromLocal8Bit(text)); }

std::unique_ptr<level::ObjectControl> TForm1::MakeControl(level::PlacedObject& object) {
    return std::make_unique<ObjectItem>(*stage_, object);
}

void TForm1::LoadPicture(level::ObjectControl& control, const std::string& path) {
    static_cast<ObjectItem&>(control).SetPicture(sprites_.Load(path));
}

void TForm1::ShowDialog(const std::string& text, level::DialogType type) {
    dialogs::ShowMessage(QString::fromLocal8Bit(text.c_str()), type);
}

void TForm1::SetBusyCursor(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

void TForm1::img_bombaDblClick(PictureItem* sender) { level_->CreateObject(sender->Tag()); }

void TForm1::ControlMouseDown(ObjectItem* sender, Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton) {
        dragOriginX_ = x;
        dragOriginY_ = y;
        dragging_ = true;
        stage_->Capture(sender);
    } else if (button == Qt::RightButton) {
        selectedObject_ = sender;
    }
}

void TForm1::ControlMouseMove(ObjectItem* sender, int x, int y) {
    if (!dragging_) return;
    level::Bounds& bounds = sender->Object().bounds;
    // 64 bits: objects may have been loaded anywhere in the 32-bit range.
    const level::DragPosition to = level::SnapDragged(
        {std::int64_t{bounds.left} + x - dragOriginX_, std::int64_t{bounds.top} + y - dragOriginY_}, bounds.width);
    bounds.left = static_cast<std::int32_t>(to.left);
    bounds.top = static_cast<std::int32_t>(to.top);
    sender->SyncToBounds();
    label1_->SetCaption(QStringLiteral(" X: %1 Y: %2").arg(bounds.left).arg(bounds.top));
}

void TForm1::ControlMouseUp(ObjectItem*, Qt::MouseButton, int, int) {
    if (!dragging_) return;
    dragging_ = false;
    stage_->ReleaseCapture();
    hintTimer_.start();
}

void TForm1::CaptureLost() {
    if (ObjectItem* captured = stage_->Captured()) ControlMouseUp(captured, Qt::LeftButton, 0, 0);
    stage_->ReleaseCapture();
    dragging_ = false;
}

void TForm1::ObjectDestroyed(ObjectItem* item) {
    if (selectedObject_ == item) selectedObject_ = nullptr;
    if (stage_->Captured() == item) dragging_ = false;
}

void TForm1::OpenContextMenu(PictureItem* control, QPoint globalPosition) {
    if (control == nullptr) return;
    if (control->GetRole() == PictureItem::Role::Object) {
        // Delete Item acts on the object its menu was opened over, also when the right button
        // went down elsewhere.
        selectedObject_ = static_cast<ObjectItem*>(control);
        borrarObjeto_->exec(globalPosition);
    } else if (control == image2_) {
        popupMenu1_->exec(globalPosition);
    }
}

void TForm1::DeleteItem1Click() {
    ObjectItem* object = selectedObject_;
    if (object == nullptr) return;
    selectedObject_ = nullptr;
    level_->Remove(&object->Object());
}

void TForm1::ChangeRound(int round, level::BackgroundSpelling spelling) {
    round_ = round;
    const std::string path = level::BackgroundPath(programDirectory_, round_, spelling);
    try {
        image2_->SetPicture(artwork::FromFile(level::ResolveBelow(programDirectory_, path)));
    } catch (const std::exception&) {
        ShowDialog(std::string(kMissingBackgroundText) + "\r\r" + path, level::DialogType::Information);
    }
    level::LoadLevel(*level_, round_);
    setWindowTitle(QString::fromStdString(level::RoundTitle(round_)));
}

void TForm1::NextLevel1Click() { ChangeRound(level::NextRound(round_), level::BackgroundSpelling::Next); }

void TForm1::PreviousLevel1Click() { ChangeRound(level::PreviousRound(round_), level::BackgroundSpelling::Previous); }

void TForm1::guardarDblClick() {
    if (level::SaveLevel(*level_, round_)) label1_->SetCaption("Level saved!");
}

void TForm1::cargarDblClick() { level::LoadLevel(*level_, round_); }

void TForm1::ApplicationHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    statusBar_->SetPanelText(0, " " + (bar >= 0 ? hint.mid(bar + 1) : hint));
}

void TForm1::Label1MouseEnter() {
    label1_->SetTextColour(QColor(0, 0, 255));
    label1_->SetCaption(kMakersAddress);
}

void TForm1::Label1MouseLeave() { label1_->SetTextColour(Qt::black); }

void TForm1::Label1Click() {
    const QString address = StripControls(label1_->text());
    if (openUrl) static_cast<void>(openUrl(QUrl::fromUserInput(address)));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::Show:
    case QEvent::Hide:
        if (!hintTimer_.isActive()) hintTimer_.start();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QString TForm1::HintAt(QPoint globalPosition, QWidget** widget) const {
    *widget = nullptr;
    // An open menu's items have no hint of their own.
    if (QApplication::activePopupWidget() != nullptr) return QString();
    QWidget* under = QApplication::widgetAt(globalPosition);
    if (under == nullptr || under->window() != this) return QString();
    *widget = under;
    if (under == stage_->viewport()) {
        const PictureItem* control = stage_->ControlAt(stage_->viewport()->mapFromGlobal(globalPosition));
        return control != nullptr ? control->hint : QString();
    }
    for (QWidget* w = under; w != nullptr; w = w->parentWidget()) {
        const QString hint = w->property(kHintProperty).toString();
        if (!hint.isEmpty()) return hint;
    }
    return QString();
}

void TForm1::UpdateHint() {
    QWidget* under = nullptr;
    const QString hint = HintAt(QCursor::pos(), &under);
    if (hint != currentHint_) {
        currentHint_ = hint;
        ApplicationHint(hint);
    }
    // Entry and leave wait while a button holds the mouse for some control.
    if (QGuiApplication::mouseButtons() != Qt::NoButton || stage_->Captured() != nullptr) return;
    const bool overLabel = under == label1_;
    if (overLabel == pointerOverLabel_) return;
    pointerOverLabel_ = overLabel;
    if (overLabel) Label1MouseEnter();
    else Label1MouseLeave();
}
