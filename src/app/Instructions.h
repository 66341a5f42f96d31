#pragma once
// TInstructForm: the user guide, shown read-only as rich text.
#include <QDialog>
#include <QRect>

class QTextEdit;

namespace quelvar {

class Dialogs;

// Where the window goes on a desktop work area: half its width, a third of its
// height, centred horizontally, its top edge at the middle of the work area.
// The rectangle is the outer (frame) geometry.
QRect instructionsPlacement(const QRect& workArea);

// Where the guide is embedded in the program.
inline constexpr char kUserGuideResource[] = ":/guide/UserGuide.html";

class TInstructForm : public QDialog {
    Q_OBJECT
public:
    // `dialogs` reports an error while loading the guide.
    TInstructForm(Dialogs& dialogs, QWidget* parent = nullptr);

    // Replaces the viewer's content with the embedded guide. False, after an
    // error box, when it cannot be read.
    bool LoadInstructions();
    bool loadInstructionsFrom(const QString& path);

    QTextEdit* viewer() const { return memo_; }

protected:
    bool event(QEvent* event) override;

private:
    // Keeps the outer size, frame included, at the placement's size.
    void fitOuterSize();

    Dialogs& dialogs_;
    QTextEdit* memo_;
    QSize outerSize_;
};

}  // namespace quelvar
