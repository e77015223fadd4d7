#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAbstractButton;
class QInputMethodEvent;
class QLineEdit;

// The reading (フリガナ) beside the name. What the input method composed before conversion is
// the reading the user meant: "やまだ" typed and converted into 山田 gives やまだ, one
// conversion after another. A name that came otherwise (pasted, imported, stored long ago) is
// offered the reading the name dictionaries guess, shown as the field's hint and taken only
// when the user asks for it.
//
// The field is written only while the user has not typed into it: empty, as loaded, or as
// this class last filled it. A name emptied or written over as a whole takes the old name's
// reading with it.
class ReadingField : public QObject
{
    Q_OBJECT
public:
    // The guessed reading of a name, empty when there is none.
    using Guess = std::function<QString(const QString& name)>;

    ReadingField(QLineEdit* name, QLineEdit* reading, QAbstractButton* useGuess);

    void setGuess(Guess guess);
    // The fields hold what the sheet loaded: a name with its stored reading, or nothing.
    void loaded();
    // The guess for the name as it stands.
    QString guess() const { return m_guess; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void compose(const QInputMethodEvent& event);
    void addPart(const QString& part);
    void onNameEdited(const QString& name);
    void fill(const QString& reading);
    bool untouched() const;
    void offerGuess();

    QLineEdit* m_name;
    QLineEdit* m_reading;
    QAbstractButton* m_useGuess;
    Guess m_guessOf;
    QString m_guess;
    QString m_kana;              // the kana being composed, before conversion
    QString m_composed;          // the readings of the conversions committed into the name
    QString m_written;           // what this class (or the load) last put into the reading field
    bool m_nameSelected = false; // the whole name is selected: what is typed or pasted replaces it
};
