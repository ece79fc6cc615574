#pragma once

#include "dashcam.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

// The choice of a recording profile beside the stream count: none, a preset, or the user's
// own channel bitrates typed into a field that shows only for them.
class DashcamProfilePicker : public QWidget
{
    Q_OBJECT
public:
    explicit DashcamProfilePicker(QWidget *parent = nullptr);

    // No profile while the typed bitrates do not read as one.
    DashcamProfile profile() const;
    // Shows `profile` without emitting profileChosen (loading stored settings).
    void setProfile(const DashcamProfile &profile);
    void retranslate();

signals:
    // The user chose another profile, or finished typing bitrates that read as one.
    void profileChosen(const DashcamProfile &profile);

private:
    void onIndexChanged();
    void onBitratesEdited();
    void showOwnField();

    QLabel *label = nullptr;
    QComboBox *combo = nullptr;
    QLineEdit *bitrates = nullptr;
};
