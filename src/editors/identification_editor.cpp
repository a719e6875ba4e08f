#include "identification_editor.h"

#include "database/vocabulary.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>

namespace kovo {

namespace {

constexpr int Ports = 3;
constexpr int SpeedLimit = 55;
constexpr int ToneLimit = 3500;

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    // Lists are not named by their buddies on every platform.
    if (qobject_cast<QAbstractItemView*>(control))
        control->setAccessibleName(QString(text).remove(u'&'));
    return label;
}

QLineEdit* newBox(const QString& name, QWidget* parent, int width) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMinimumWidth(width);
    if (width < 100)
        box->setMaximumWidth(width);
    return box;
}

const char* const VoiceFields[] = {"VoiceID1", "VoiceID2", "VoiceID3"};
const char* const CwFields[] = {"CWID1", "CWID2"};

// The CW pick list: digits, letters, then the signs and procedure tokens.
QStringList cwEntries() {
    QStringList entries;
    for (char c = '0'; c <= '9'; ++c)
        entries << QString(QLatin1Char(c));
    for (char c = 'A'; c <= 'Z'; ++c)
        entries << QString(QLatin1Char(c));
    entries << QStringLiteral("WORD_SPACE") << QStringLiteral("-") << QStringLiteral("/")
            << QStringLiteral("AR") << QStringLiteral(",") << QStringLiteral("?")
            << QStringLiteral("SK");
    return entries;
}

} // namespace

const QStringList& IdentificationEditor::extrasEntries() {
    static const QStringList entries = {
        QStringLiteral("Good M/A/E Before ID"),
        QStringLiteral("Good M/A/E After ID"),
        QStringLiteral("Time Before ID"),
        QStringLiteral("Time After ID"),
        QStringLiteral("Good M/A/E & Time Before ID"),
        QStringLiteral("Good M/A/E & Time After ID"),
        QStringLiteral("Good M/A/E Before & Time After ID"),
        QStringLiteral("Time Before & Good M/A/E After ID"),
        QStringLiteral("Time & Good M/A/E Before ID"),
        QStringLiteral("Time  & Good M/A/E After ID"),
        QStringLiteral("Random Rotation"),
    };
    return entries;
}

IdentificationEditor::IdentificationEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(QStringLiteral("ID"));
    setWindowTitle(QStringLiteral("Identification"));

    auto* layout = new QGridLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    for (int port = 1; port <= Ports; ++port)
        tabs->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    layout->addWidget(tabs, 0, 0, 4, 1);

    m_vocabulary = new QListWidget(this);
    m_vocabulary->setObjectName(QStringLiteral("VocabList"));
    QStringList words = speechVocabulary();
    words.insert(words.indexOf(QStringLiteral("DVR1")), QStringLiteral(" "));
    m_vocabulary->addItems(words);
    m_cw = new QListWidget(this);
    m_cw->setObjectName(QStringLiteral("CwList"));
    m_cw->addItems(cwEntries());
    for (QListWidget* list : {m_vocabulary, m_cw})
        list->setMaximumWidth(200);
    m_vocabularyLabel = labelFor(QStringLiteral("&Vocabulary"), m_vocabulary, this);
    m_vocabularyLabel->setObjectName(QStringLiteral("VocabLabel"));
    m_cwLabel = labelFor(QStringLiteral("C&W Characters"), m_cw, this);
    m_cwLabel->setObjectName(QStringLiteral("CwLabel"));
    layout->addWidget(m_vocabularyLabel, 0, 1);
    layout->addWidget(m_cwLabel, 0, 1);
    layout->addWidget(m_vocabulary, 1, 1);
    layout->addWidget(m_cw, 1, 1);

    auto* counter = new QLineEdit(this);
    counter->setObjectName(QStringLiteral("CharCounter"));
    counter->setReadOnly(true);
    counter->setMaximumWidth(50);
    m_wordCountLabel = labelFor(QStringLiteral("Word Count"), counter, this);
    m_wordCountLabel->setObjectName(QStringLiteral("WordCharLabel"));
    m_cwCountLabel = labelFor(QStringLiteral("Character Count"), counter, this);
    m_cwCountLabel->setObjectName(QStringLiteral("CWCharLabel"));
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(m_wordCountLabel);
    counterRow->addWidget(m_cwCountLabel);
    counterRow->addWidget(counter);
    layout->addLayout(counterRow, 2, 1);
    layout->setRowStretch(3, 1);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("&Cancel Changes")), 4, 0, 1,
        2);

    const QString notAWord =
        QStringLiteral("That is not a valid vocabulary word. Please try again");
    m_voiceRules.limit = 22;
    m_voiceRules.limitMessage = QStringLiteral("You can only use 22 words for this message!");
    m_voiceRules.accepts = [](QStringView word, QStringView) { return isVocabularyWord(word); };
    m_voiceRules.keeps = &TokenEntry::isSpeakable;
    m_voiceRules.refusal = notAWord;
    m_cwRules.limit = 15;
    m_cwRules.limitMessage = QStringLiteral("You can only use 15 characters for this message!");
    m_cwRules.accepts = [](QStringView token, QStringView) {
        return TokenEntry::isSendableCw(token);
    };
    m_cwRules.refusal = QStringLiteral("That is not a valid CW character. Please try again");
    m_entry = std::make_unique<TokenEntry>(messages, counter);

    bindAll();
    connect(m_entry.get(), &TokenEntry::boxFocused, this, [this](QLineEdit* box) {
        showPickList(m_entry->currentRules() == &m_voiceRules);
        Q_UNUSED(box);
    });
    connect(m_vocabulary, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (m_entry->currentRules() == &m_voiceRules)
            m_entry->insert(item->text());
    });
    connect(m_cw, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (m_entry->currentRules() == &m_cwRules)
            m_entry->insert(item->text());
    });
    showPickList(true);

    foldStoredIdentifiers();
    loadFromDatabase();
}

IdentificationEditor::~IdentificationEditor() = default;

QWidget* IdentificationEditor::buildPortTab(int port) {
    auto* page = new QWidget(this);
    page->setObjectName(indexed("PortTab", port));
    auto* grid = new QGridLayout(page);
    int row = 0;
    for (int n = 1; n <= 3; ++n) {
        QLineEdit* box =
            newBox(QStringLiteral("%1Set(%2)").arg(QLatin1String(VoiceFields[n - 1])).arg(port),
                   page, 430);
        grid->addWidget(labelFor(QStringLiteral("Voice ID %1").arg(n), box, page), row, 0);
        grid->addWidget(box, row, 1, 1, 3);
        ++row;
        auto* check = new QCheckBox(QStringLiteral("Extras"), page);
        check->setObjectName(QStringLiteral("ID%1Check(%2)").arg(n).arg(port));
        check->setAccessibleName(QStringLiteral("Voice ID %1 Extras").arg(n));
        auto* extras = new QComboBox(page);
        extras->setObjectName(QStringLiteral("ID%1ExtrasSet(%2)").arg(n).arg(port));
        extras->addItems(extrasEntries());
        extras->setPlaceholderText(QStringLiteral("None Selected"));
        extras->setAccessibleName(QStringLiteral("Voice ID %1 Extras Selection").arg(n));
        grid->addWidget(check, row, 1);
        grid->addWidget(extras, row, 2, 1, 2);
        ++row;
    }
    for (int n = 1; n <= 2; ++n) {
        QLineEdit* box = newBox(QStringLiteral("CWID%1Set(%2)").arg(n).arg(port), page, 430);
        grid->addWidget(labelFor(QStringLiteral("CW ID %1").arg(n), box, page), row, 0);
        grid->addWidget(box, row, 1, 1, 3);
        ++row;
    }
    struct Number {
        QString name;
        const char* label;
        const char* unit;
    };
    const Number numbers[] = {
        {indexed("CWSpeedSet", port), "CW Speed", "wpm"},
        {indexed("CWTone1Set", port), "CW Tone 1", "Hertz"},
        {indexed("CwTone2Set", port), "CW Tone 2", "Hertz"},
    };
    for (const Number& number : numbers) {
        QLineEdit* box = newBox(number.name, page, 70);
        grid->addWidget(labelFor(QString::fromLatin1(number.label), box, page), row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(new QLabel(QString::fromLatin1(number.unit), page), row, 2);
        ++row;
    }
    auto* speech = new QCheckBox(QStringLiteral("Speech Enabled"), page);
    speech->setObjectName(indexed("SpeechEnabled", port));
    grid->addWidget(speech, row++, 1, 1, 2);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

// Bindings in the order Apply walks them: port by port, the identifiers, the CW values, the
// extras and the speech switch.
void IdentificationEditor::bindAll() {
    for (int port = 1; port <= Ports; ++port) {
        auto text = [&](const char* field, const TokenEntry::Rules& rules) {
            const QString name = QString::fromLatin1(field);
            auto* box = control<QLineEdit>(QStringLiteral("%1Set(%2)").arg(name).arg(port));
            bind(Kind::Text, box, name, port, name + QStringLiteral("Pending"), Group::ID);
            m_entry->addBox(box, rules);
        };
        for (const char* field : VoiceFields)
            text(field, m_voiceRules);
        for (const char* field : CwFields)
            text(field, m_cwRules);
        auto number = [&](const QString& name, const char* field) {
            const QString key = QString::fromLatin1(field);
            bind(Kind::Numeric, control<QLineEdit>(name), key, port,
                 key + QStringLiteral("Pending"), Group::ID);
        };
        number(indexed("CWSpeedSet", port), "CWSpeed");
        number(indexed("CWTone1Set", port), "CWTone1");
        number(indexed("CwTone2Set", port), "CWTone2");
        for (int n = 1; n <= 3; ++n) {
            const QString field = QStringLiteral("ID%1Extras").arg(n);
            auto* extras = control<QComboBox>(QStringLiteral("ID%1ExtrasSet(%2)").arg(n).arg(port));
            auto* check = control<QCheckBox>(QStringLiteral("ID%1Check(%2)").arg(n).arg(port));
            Binding& binding = bind(Kind::List, extras, field, port,
                                    field + QStringLiteral("Pending"), Group::IDExtras);
            // The working copy is the entry's value, not its text.
            connect(extras, &QComboBox::currentIndexChanged, this, [&binding](int entry) {
                binding.working = QString::number(entry < 0 ? 0 : entry + 1);
            });
            connect(check, &QCheckBox::toggled, this, [&binding, extras](bool on) {
                extras->setVisible(on);
                if (!on) {
                    const QSignalBlocker blocker(extras);
                    extras->setCurrentIndex(-1);
                    binding.working = QStringLiteral("0");
                }
            });
        }
        bind(Kind::Check, control<QCheckBox>(indexed("SpeechEnabled", port)),
             QStringLiteral("SpeechEnable"), port, QStringLiteral("SpeechEnablePending"),
             Group::ID);
    }
}

void IdentificationEditor::foldStoredIdentifiers() {
    for (int port = 1; port <= Ports; ++port) {
        for (const char* field : {"VoiceID1", "VoiceID2", "VoiceID3", "CWID1", "CWID2"}) {
            const QLatin1StringView key(field);
            m_db.setValue(key, port, normalizeSpaces(m_db.value(key, port)));
        }
    }
}

void IdentificationEditor::showPickList(bool voice) {
    m_vocabulary->setVisible(voice);
    m_vocabulary->setEnabled(voice);
    m_vocabularyLabel->setVisible(voice);
    m_wordCountLabel->setVisible(voice);
    m_cw->setVisible(!voice);
    m_cw->setEnabled(!voice);
    m_cwLabel->setVisible(!voice);
    m_cwCountLabel->setVisible(!voice);
}

void IdentificationEditor::boxChanged(Binding& binding) {
    if (binding.kind == Kind::Text) {
        QString working = binding.working.toUpper();
        while (working.endsWith(u' '))
            working.chop(1);
        binding.working = working;
        return;
    }
    const bool speed = binding.field == QLatin1String("CWSpeed");
    const int limit = speed ? SpeedLimit : ToneLimit;
    if (numericValue(binding.working) < limit)
        return;
    if (speed)
        m_messages.message(QStringLiteral("CW speed must be less than 55 wpm."),
                           QStringLiteral("Invalid Speed"), MessageIcon::Critical);
    else
        m_messages.message(QStringLiteral("Entry must be less than 3500 Hertz."),
                           QStringLiteral("Invalid Tone"), MessageIcon::Critical);
    static_cast<QLineEdit*>(binding.control)->clear();
}

// A word or CW character still being typed when Apply came (the tab left with the box focused)
// is checked like one finished: what the controller cannot take is taken out again. An
// identifier loaded from a file and not changed is left as it is.
void IdentificationEditor::fieldApplied(const Binding& binding) {
    if (binding.kind != Kind::Text || !m_db.pending(binding.flag, binding.index))
        return;
    m_entry->sweep(static_cast<QLineEdit*>(binding.control));
    m_db.setValue(binding.field, binding.index, binding.working);
}

// Each extras list shows the stored entry, its check box ticked, or is hidden for none.
void IdentificationEditor::loaded() {
    for (int port = 1; port <= Ports; ++port) {
        for (int n = 1; n <= 3; ++n) {
            const int value = numericInt(m_db.value(QStringLiteral("ID%1Extras").arg(n), port));
            const bool on = value >= 1 && value <= extrasEntries().size();
            auto* extras = control<QComboBox>(QStringLiteral("ID%1ExtrasSet(%2)").arg(n).arg(port));
            auto* check = control<QCheckBox>(QStringLiteral("ID%1Check(%2)").arg(n).arg(port));
            const QSignalBlocker blockList(extras);
            const QSignalBlocker blockCheck(check);
            extras->setCurrentIndex(on ? value - 1 : -1);
            check->setChecked(on);
            extras->setVisible(on);
        }
    }
}

} // namespace kovo
