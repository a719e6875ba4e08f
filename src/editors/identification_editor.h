#pragma once

#include "editor_window.h"
#include "token_entry.h"

class QLabel;
class QListWidget;

namespace kovo {

// The identification editor (caption "Identification"): per port the three voice identifiers
// (vocabulary words), the two CW identifiers (CW characters), the CW speed and tones, the extras
// spoken around each voice identifier, and whether speech is enabled. The word or character pick
// list follows the identifier box that has the focus.
class IdentificationEditor : public EditorWindow {
    Q_OBJECT

public:
    IdentificationEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);
    ~IdentificationEditor() override;

    // The extras entries in order; entry n stores the value n.
    static const QStringList& extrasEntries();

protected:
    void boxChanged(Binding& binding) override;
    void loaded() override;
    void fieldApplied(const Binding& binding) override;

private:
    QWidget* buildPortTab(int port);
    void bindAll();
    void showPickList(bool voice);
    void foldStoredIdentifiers();

    TokenEntry::Rules m_voiceRules;
    TokenEntry::Rules m_cwRules;
    std::unique_ptr<TokenEntry> m_entry;
    QListWidget* m_vocabulary = nullptr;
    QListWidget* m_cw = nullptr;
    QLabel* m_vocabularyLabel = nullptr;
    QLabel* m_cwLabel = nullptr;
    QLabel* m_wordCountLabel = nullptr;
    QLabel* m_cwCountLabel = nullptr;
};

} // namespace kovo
