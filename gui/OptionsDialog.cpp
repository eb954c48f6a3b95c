#include "gui/OptionsDialog.h"
#include "gui/UiText.h"

#include "app/UserProfileList.h"
#include "gui/DialogButtons.h"
#include "profiles/OutputProfile.h"
#include "profiles/UserProfileWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int VisibleItems = 30;
constexpr char32_t BackspaceKey = 8;
constexpr char32_t EnterKey = 13;

// The key as the logic sees a typed character; 0 for keys that type nothing
// (arrows, Tab, shortcuts), which stay with the text box.
char32_t TypedKey(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Backspace:
        return BackspaceKey;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return EnterKey;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0;
    default:
        break;
    }
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0)
        return 0;
    const QString text = key.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return 0;
    return text.toUcs4().value(0);
}

} // namespace

OptionsDialog::OptionsDialog(TConversionSettings& settings, TUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), settings_(settings), dialogs_(dialogs), options_(settings, dialogs) {
    setObjectName(QStringLiteral("optionsWindow"));
    setWindowTitle(UiText(TOptionsWindow::Caption));
    setModal(true);

    source_ = new QLineEdit(this);
    source_->setReadOnly(true);
    for (size_t i = 0; i < lists_.size(); ++i) {
        const auto role = static_cast<TChoiceRole>(i);
        auto* box = new QComboBox(this);
        box->setMaxVisibleItems(VisibleItems);
        box->setMinimumContentsLength(16);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        connect(box, &QComboBox::currentIndexChanged, this, [this, role](int index) {
            if (syncing_)
                return;
            options_.Pick(role, index);
            ShowState(); // a video encoder pick may refill another list
        });
        lists_[i] = box;
    }
    auto label = [this](TChoiceRole role) { return new QLabel(UiText(RoleCaption(role)), this); };
    auto row = [&](QGridLayout* grid, int r, TChoiceRole role) {
        grid->addWidget(label(role), r, 0);
        grid->addWidget(List(role), r, 1);
    };

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(UiText(TOptionsWindow::SourceCaption), this), 0, 0);
    top->addWidget(source_, 0, 1);
    row(top, 1, TChoiceRole::crVideoEncoder);

    auto* videoGroup = new QGroupBox(UiText(TOptionsWindow::VideoGroupCaption), this);
    auto* video = new QGridLayout(videoGroup);
    row(video, 0, TChoiceRole::crVideoBitRate);
    row(video, 1, TChoiceRole::crFrameSize);
    row(video, 2, TChoiceRole::crFrameRate);
    video->addWidget(new QLabel(UiText(TOptionsWindow::FiltersCaption), this), 3, 0);
    auto* filterRow = new QHBoxLayout;
    for (size_t i = 0; i < filters_.size(); ++i) {
        filters_[i] = new QCheckBox(UiText(TOptionsWindow::FilterCaptions[i]), this);
        connect(filters_[i], &QCheckBox::toggled, this, [this, i](bool ticked) {
            if (!syncing_)
                options_.SetFilter(static_cast<int>(i), ticked);
        });
        filterRow->addWidget(filters_[i]);
    }
    autoDeinterlace_ = new QCheckBox(UiText(TOptionsWindow::AutoDeinterlaceCaption), this);
    connect(autoDeinterlace_, &QCheckBox::toggled, this, [this](bool ticked) {
        // A sync shows the logic's state; "always" stays as it is while ticked.
        if (!syncing_ && ticked != options_.AutoDeinterlaceTicked())
            options_.SetAutoDeinterlaceTicked(ticked);
    });
    video->addLayout(filterRow, 3, 1);
    // On a row of its own under the three, so the row keeps its width in every language.
    video->addWidget(autoDeinterlace_, 4, 1);

    auto* middle = new QGridLayout;
    row(middle, 0, TChoiceRole::crAudioEncoder);
    auto* audioGroup = new QGroupBox(UiText(TOptionsWindow::AudioGroupCaption), this);
    auto* audio = new QGridLayout(audioGroup);
    row(audio, 0, TChoiceRole::crAudioBitRate);
    row(audio, 1, TChoiceRole::crSampleRate);
    row(audio, 2, TChoiceRole::crChannels);
    auto* bottom = new QGridLayout;
    row(bottom, 0, TChoiceRole::crAspect);
    row(bottom, 1, TChoiceRole::crVolume);
    audioTrack_ = NewTrackList(&TTrackChoices::PickAudioTrack);
    audioTrack_->setObjectName(QStringLiteral("audioTrack"));
    subtitleMode_ = NewTrackList(&TTrackChoices::PickSubtitleMode);
    subtitleMode_->setObjectName(QStringLiteral("subtitleMode"));
    subtitleTrack_ = NewTrackList(&TTrackChoices::PickSubtitleTrack);
    subtitleTrack_->setObjectName(QStringLiteral("subtitleTrack"));
    const std::pair<const char*, QComboBox*> trackRows[] = {
        {TTrackChoices::AudioTrackCaption, audioTrack_},
        {TTrackChoices::SubtitlesCaption, subtitleMode_},
        {TTrackChoices::SubtitleTrackCaption, subtitleTrack_},
    };
    for (const auto& [caption, box] : trackRows) {
        const int r = bottom->rowCount();
        bottom->addWidget(new QLabel(UiText(caption), this), r, 0);
        bottom->addWidget(box, r, 1);
    }
    for (QGridLayout* grid : {top, video, middle, audio, bottom}) {
        grid->setColumnMinimumWidth(0, 96);
        grid->setColumnStretch(1, 1);
    }

    auto* clipGroup = new QGroupBox(UiText(TOptionsWindow::ClipGroupCaption), this);
    auto* clip = new QGridLayout(clipGroup);
    const char* lineCaptions[] = {TOptionsWindow::ClipStartCaption, TOptionsWindow::ClipStopCaption};
    for (int line = 0; line < 2; ++line) {
        clip->addWidget(new QLabel(UiText(lineCaptions[line]), this), line, 0);
        for (int unit = 0; unit < 3; ++unit) {
            auto* box = new QLineEdit(this);
            box->setMaxLength(TOptionsWindow::ClipBoxLength);
            box->setFixedWidth(34);
            box->setAlignment(Qt::AlignCenter);
            // An empty box counts as "00" when the range is confirmed.
            box->setPlaceholderText(QStringLiteral("00"));
            box->installEventFilter(this);
            // The box edits as text boxes do (selection, cursor, Delete, paste);
            // each edit reaches the logic here, and one it refuses (pasted
            // letters) is taken back, so the box shows what will be used.
            const int index = line * 3 + unit;
            connect(box, &QLineEdit::textEdited, this, [this, box, index](const QString& text) {
                if (!options_.SetClipBoxText(index, text.toStdString()))
                    box->setText(QString::fromStdString(options_.ClipBox(index)));
            });
            clipBoxes_[static_cast<size_t>(line * 3 + unit)] = box;
            clip->addWidget(box, line, 1 + unit * 2);
            clip->addWidget(new QLabel(UiText(TOptionsWindow::ClipUnitCaptions[unit]), this), line,
                            2 + unit * 2);
        }
    }
    clipCheck_ = new QCheckBox(UiText(TOptionsWindow::ClipCheckCaption), this);
    connect(clipCheck_, &QCheckBox::toggled, this, [this](bool ticked) {
        if (syncing_)
            return;
        options_.SetClipChecked(ticked);
        ShowState();
    });
    auto* preview = new QPushButton(UiText(TOptionsWindow::PreviewCaption), this);
    preview->setAutoDefault(false);
    connect(preview, &QPushButton::clicked, this, [this] { options_.PreviewSource(); });
    clip->addWidget(clipCheck_, 0, 8);
    clip->addWidget(preview, 1, 8);
    clip->setColumnStretch(7, 1);

    confirm_ = new QPushButton(UiText(TOptionsWindow::ConfirmCaption), this);
    cancel_ = new QPushButton(UiText(TOptionsWindow::CancelCaption), this);
    // Enter in a clip box belongs to the box, not to a default button.
    confirm_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(confirm_, &QPushButton::clicked, this, &OptionsDialog::OnConfirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    saveProfile_ = new QPushButton(UiText(TUserProfileList::SaveCaption), this);
    saveProfile_->setObjectName(QStringLiteral("saveProfile"));
    saveProfile_->setAutoDefault(false);
    saveProfile_->hide();
    connect(saveProfile_, &QPushButton::clicked, this, &OptionsDialog::OnSaveProfile);
    QHBoxLayout* buttons = DialogButtonRow({confirm_, cancel_});
    buttons->insertWidget(0, saveProfile_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(videoGroup);
    layout->addLayout(middle);
    layout->addWidget(audioGroup);
    layout->addLayout(bottom);
    layout->addWidget(clipGroup);
    layout->addLayout(buttons);
    setFixedWidth(560);
}

QComboBox* OptionsDialog::NewTrackList(bool (TTrackChoices::*pick)(int)) {
    auto* box = new QComboBox(this);
    box->setMaxVisibleItems(VisibleItems);
    box->setMinimumContentsLength(16);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(box, &QComboBox::currentIndexChanged, this, [this, pick](int index) {
        if (syncing_)
            return;
        (options_.Tracks().*pick)(index);
        ShowState(); // a subtitle track pick changes which choices its kind allows
    });
    return box;
}

void OptionsDialog::SetUserProfiles(TUserProfileList* profiles) {
    userProfiles_ = profiles;
    saveProfile_->setVisible(profiles != nullptr);
}

bool OptionsDialog::Run(const TSourceFacts& source, const TUserProfile* saved) {
    options_.Show(source);
    std::string error;
    if (saved != nullptr && !ShowUserProfile(options_, *saved, error))
        dialogs_.ShowInformation(PromptCaption, Tr(TUserProfileList::NotAllOfferedMessage));
    ShowState();
    const bool confirmed = exec() == QDialog::Accepted;
    if (!confirmed)
        options_.Cancel();
    return confirmed;
}

void OptionsDialog::ShowState() {
    syncing_ = true;
    source_->setText(QString::fromStdString(options_.SourceText()));
    for (size_t i = 0; i < lists_.size(); ++i) {
        const TOptionsWindow::TChoiceBox& state = options_.List(static_cast<TChoiceRole>(i));
        QComboBox* box = lists_[i];
        QStringList items;
        for (const TChoiceItem& item : state.Items)
            items << UiText(item.Label);
        QStringList shown;
        for (int k = 0; k < box->count(); ++k)
            shown << box->itemText(k);
        if (shown != items) {
            box->clear();
            box->addItems(items);
        }
        box->setCurrentIndex(state.ItemIndex);
        box->setEnabled(state.Enabled);
    }
    const TTrackChoices& tracks = options_.Tracks();
    const std::pair<QComboBox*, const TTrackChoices::TList*> trackLists[] = {
        {audioTrack_, &tracks.AudioTracks()},
        {subtitleMode_, &tracks.SubtitleModes()},
        {subtitleTrack_, &tracks.SubtitleTracks()},
    };
    for (const auto& [box, state] : trackLists) {
        QStringList items;
        for (const std::string& item : state->Items)
            items << UiText(item);
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(state->ItemIndex);
        box->setEnabled(state->Enabled);
    }
    for (size_t i = 0; i < filters_.size(); ++i) {
        filters_[i]->setChecked(options_.Filter(static_cast<int>(i)));
        filters_[i]->setEnabled(options_.VideoControlsEnabled());
    }
    autoDeinterlace_->setChecked(options_.AutoDeinterlaceTicked());
    autoDeinterlace_->setEnabled(options_.VideoControlsEnabled());
    clipCheck_->setEnabled(options_.ClipCheckEnabled());
    clipCheck_->setChecked(options_.ClipChecked());
    for (size_t i = 0; i < clipBoxes_.size(); ++i) {
        clipBoxes_[i]->setText(QString::fromStdString(options_.ClipBox(static_cast<int>(i))));
        clipBoxes_[i]->setEnabled(options_.ClipBoxesEnabled());
    }
    syncing_ = false;
}

void OptionsDialog::OnConfirm() {
    if (options_.Confirm())
        accept();
    else
        ShowState(); // the check filled empty clip boxes with "00"
}

void OptionsDialog::OnSaveProfile() {
    if (userProfiles_ == nullptr)
        return;
    // The base profile's label is a name to start from; a refused name is asked again.
    const TOutputProfile* base = FindProfile(settings_.ProfileId);
    QString name = base != nullptr ? UiText(base->Label) : QString();
    for (;;) {
        bool ok = false;
        name = QInputDialog::getText(this, UiText(TUserProfileList::SaveCaption),
                                     UiText(TUserProfileList::NamePrompt), QLineEdit::Normal, name, &ok);
        if (!ok)
            return;
        std::string message;
        if (userProfiles_->Save(options_, settings_.ProfileId, name.toStdString(), message))
            return;
        dialogs_.ShowInformation(PromptCaption, message);
    }
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto it = std::find(clipBoxes_.begin(), clipBoxes_.end(), watched);
    if (it == clipBoxes_.end())
        return QDialog::eventFilter(watched, event);
    const char32_t key = TypedKey(*static_cast<QKeyEvent*>(event));
    if (key == 0)
        return false; // cursor keys, Delete, shortcuts: the box's own
    if (!options_.ClipKeyAllowed(key))
        return true; // discarded after the message
    // Enter is accepted and does nothing (no default button); the rest edits the box.
    return key == EnterKey;
}
