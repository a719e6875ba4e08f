#include "message_macros_editor.h"

#include "controller_action_runner.h"
#include "database/vocabulary.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kovo {

namespace {

constexpr int Messages = 40;
constexpr int PerTab = 20;
constexpr int Tracks = 20;
const QString NoneStored = QStringLiteral("NONE STORED");

QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    // Lists are not named by their buddies on every platform.
    if (qobject_cast<QAbstractItemView*>(control))
        control->setAccessibleName(QString(text).remove(u'&'));
    return label;
}

} // namespace

MessageMacrosEditor::MessageMacrosEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(QStringLiteral("MessageMacros"));
    setWindowTitle(QStringLiteral("Message Macros"));
    m_chooseFile = [this](const QString& title, const QString& filter) -> std::optional<QString> {
        const QString path = QFileDialog::getOpenFileName(this, title, QString(), filter);
        return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    };

    auto* layout = new QGridLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    for (int first = 1; first <= Messages; first += PerTab) {
        auto* page = new QWidget(tabs);
        auto* grid = new QGridLayout(page);
        grid->setVerticalSpacing(2);
        for (int i = first; i < first + PerTab; ++i) {
            auto* box = new QLineEdit(page);
            box->setObjectName(QStringLiteral("MessageSet(%1)").arg(i));
            box->setMinimumWidth(420);
            grid->addWidget(labelFor(QStringLiteral("Message %1").arg(i), box, page), i - first, 0);
            grid->addWidget(box, i - first, 1);
            m_boxes << box;
        }
        tabs->addTab(page, QStringLiteral("%1-%2").arg(first).arg(first + PerTab - 1));
    }
    layout->addWidget(tabs, 0, 0, 4, 1);

    m_vocabulary = new QListWidget(this);
    m_vocabulary->setObjectName(QStringLiteral("VocabList"));
    m_vocabulary->addItems(speechVocabulary());
    m_vocabulary->setEnabled(false);
    m_vocabulary->setMaximumWidth(200);
    layout->addWidget(labelFor(QStringLiteral("&Vocabulary"), m_vocabulary, this), 0, 1);
    layout->addWidget(m_vocabulary, 1, 1);

    auto* counter = new QLineEdit(this);
    counter->setObjectName(QStringLiteral("CharCounter"));
    counter->setReadOnly(true);
    counter->setMaximumWidth(50);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(labelFor(QStringLiteral("Word Count"), counter, this));
    counterRow->addWidget(counter);
    layout->addLayout(counterRow, 2, 1);

    auto* dvr = new QGroupBox(QStringLiteral("DVR Wave Record"), this);
    auto* dvrLayout = new QGridLayout(dvr);
    m_track = new QComboBox(dvr);
    m_track->setObjectName(QStringLiteral("DVRTrackSet"));
    for (int track = 1; track <= Tracks; ++track)
        m_track->addItem(QString::number(track));
    dvrLayout->addWidget(labelFor(QStringLiteral("DVR &Track"), m_track, dvr), 0, 0);
    dvrLayout->addWidget(m_track, 0, 1);
    auto* load = new QPushButton(QStringLiteral("&Load Wav"), dvr);
    load->setObjectName(QStringLiteral("GetFile"));
    m_send = new QPushButton(QStringLiteral("&Send to Tarsis"), dvr);
    m_send->setObjectName(QStringLiteral("SendToTarsis"));
    dvrLayout->addWidget(load, 1, 0);
    dvrLayout->addWidget(m_send, 1, 1);
    layout->addWidget(dvr, 3, 1);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("&Cancel Changes")), 4, 0, 1,
        2);
    connect(load, &QPushButton::clicked, this, &MessageMacrosEditor::chooseWavFile);
    connect(m_send, &QPushButton::clicked, this, &MessageMacrosEditor::recordTrack);

    m_rules.limit = 9;
    m_rules.limitMessage = QStringLiteral("You can only use 9 words for this message!");
    m_rules.accepts = [](QStringView word, QStringView) { return isVocabularyWord(word); };
    m_rules.keeps = &TokenEntry::isSpeakable;
    m_rules.refusal = QStringLiteral("That is not a valid vocabulary word. Please try again");
    m_rules.placeholder = NoneStored;
    m_entry = std::make_unique<TokenEntry>(messages, counter);
    for (int i = 1; i <= Messages; ++i) {
        bind(Kind::Text, m_boxes[i - 1], QStringLiteral("MessageMacro"), i,
             QStringLiteral("MessageMacroPending"), Group::MessageMacros);
        m_entry->addBox(m_boxes[i - 1], m_rules);
    }
    m_entry->setStoredValue(
        [this](QLineEdit* box) { return m_db.value(u"MessageMacro", m_boxes.indexOf(box) + 1); });
    connect(m_entry.get(), &TokenEntry::boxFocused, this,
            [this] { m_vocabulary->setEnabled(true); });
    connect(m_entry.get(), &TokenEntry::boxLeft, this, [this](QLineEdit* box) {
        // The stored message is folded like the box, so only a real change shows red.
        const int i = static_cast<int>(m_boxes.indexOf(box)) + 1;
        m_db.setValue(u"MessageMacro", i, normalizeSpaces(m_db.value(u"MessageMacro", i)));
        if (Binding* binding = findBinding(u"MessageMacro", i))
            updateColour(*binding);
    });
    connect(m_vocabulary, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_entry->insert(item->text()); });

    foldStoredMessages();
    loadFromDatabase();
}

MessageMacrosEditor::~MessageMacrosEditor() = default;

void MessageMacrosEditor::foldStoredMessages() {
    for (int i = 1; i <= Messages; ++i)
        m_db.setValue(u"MessageMacro", i, normalizeSpaces(m_db.value(u"MessageMacro", i)));
}

void MessageMacrosEditor::boxChanged(Binding& binding) {
    QString working = binding.working.toUpper();
    while (working.endsWith(u' '))
        working.chop(1);
    binding.working = working;
}

// A message left empty is stored as the placeholder the controller's commands skip.
void MessageMacrosEditor::fieldApplied(const Binding& binding) {
    // A word still being typed when Apply came (the tab left with the box focused) is checked
    // like one finished: what the controller cannot say is taken out again. A message loaded
    // from a file and not changed is left as it is.
    if (m_db.pending(binding.flag, binding.index)) {
        m_entry->sweep(static_cast<QLineEdit*>(binding.control));
        m_db.setValue(binding.field, binding.index, binding.working);
    }
    if (!binding.working.isEmpty())
        return;
    m_db.setValue(binding.field, binding.index, NoneStored);
    static_cast<QLineEdit*>(binding.control)->setText(NoneStored);
}

void MessageMacrosEditor::chooseWavFile() {
    if (const auto path =
            m_chooseFile(QStringLiteral("Open Wav File"), QStringLiteral("Wav Files (*.wav)")))
        m_wavFile = *path;
}

void MessageMacrosEditor::recordTrack() {
    ControllerActionRunner* runner = actionRunner();
    if (!runner) {
        m_messages.message(QStringLiteral("No link to the Tarsis is available."), QString());
        return;
    }
    ControllerAction action;
    action.kind = ControllerAction::Kind::RecordTrack;
    action.track = m_track->currentIndex() + 1;
    action.wavFile = m_wavFile;
    m_send->setEnabled(false);
    // The action reports its own end ("Wav File Upload Complete.").
    const bool started = runner->run(action, [self = QPointer(this)](bool) {
        if (self)
            self->m_send->setEnabled(true);
    });
    if (!started) {
        m_send->setEnabled(true);
        m_messages.message(
            QStringLiteral("The link to the Tarsis is busy. Try again when it has finished."),
            QString());
    }
}

} // namespace kovo
