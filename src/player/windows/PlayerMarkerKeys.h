#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace qsr::mediaplayer {
class IMediaControl;
}

namespace qsr::player {

// Page Down and Page Up in the Audio Player: the next and the previous
// marker of the file it plays (read once per file through `markers`, in
// seconds), and a tick under the position knob's groove for each. A file
// without markers leaves the keys without effect and draws no tick.
class PlayerMarkerKeys : public QObject {
    Q_OBJECT
  public:
    using MarkerSeconds = std::function<std::vector<double>(const QString& path)>;
    PlayerMarkerKeys(mediaplayer::IMediaControl& control, QWidget& window, MarkerSeconds markers);

    void Next();
    void Previous();
    // Follows the file the player has (twice a second by itself).
    void Refresh();
    // The ticks' x in the window's pixels.
    const std::vector<int>& TickXs() const { return ticks_; }

  private:
    const std::vector<std::int64_t>& Millis();

    mediaplayer::IMediaControl& control_;
    MarkerSeconds markers_;
    QString file_;
    std::vector<std::int64_t> millis_;
    double duration_ = 0;
    std::vector<int> ticks_;
    QWidget* strip_ = nullptr;  // draws the ticks
};

}  // namespace qsr::player
