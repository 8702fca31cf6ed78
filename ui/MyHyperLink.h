#pragma once
// A static text that acts as a link: underlined, blue, red while the mouse is
// over it, dark blue for the rest of its life once clicked. A click asks the
// shell to open its URL.

#include <QColor>
#include <QLabel>
#include <QString>

class CMyHyperLink : public QLabel {
    Q_OBJECT
public:
    // Takes an underlined copy of the parent dialog's font and the hand cursor.
    explicit CMyHyperLink(QWidget* parent = nullptr);
    ~CMyHyperLink() override;

    void SetUrl(const QString& target) { url = target; }
    QString GetUrl() const { return url; }

    bool IsHovering() const { return hovering; }
    bool IsVisited() const { return visited; }

    // The colour the text is drawn in now.
    QColor TextColor() const;

    static constexpr QColor normalColor{0, 0, 255};
    static constexpr QColor hoverColor{255, 0, 0};
    static constexpr QColor visitedColor{5, 34, 143};

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ApplyColor();
    void OnClicked();

    bool hovering = false;
    bool visited = false;
    bool pressed = false;
    QString url;
};
