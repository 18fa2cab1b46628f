#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

#include <utility>

namespace korvel::demo {

// What a panel shows. Outdoor scenes can be turned to night.
enum class Scene {
    Mountains, Waterfall, Sea, Temple, Clouds, Underwater, Palace, Furnace, // the monkey king's world
    River, Village, Classroom, Courtyard, Reeds,                             // the village by the river
    Closeup,                                                                 // a face before speed lines
};

enum class Character { Monkey, Master, Guard, Boy, Teacher, Uncle, Soldier, Villager };

// A figure standing in a panel. x and foot are fractions of the panel's width
// and height (foot may lie below the panel for a close-up); height likewise.
struct Actor {
    Character who;
    qreal x;
    qreal foot;
    qreal height;
    int pose = 0; // 0 arms down, 1 right arm raised (with the staff or a gun), 2 both raised, 3 arms out
};

struct Panel {
    Panel(Scene s, QVector<Actor> who = {}, QString says = {}, bool dark = false)
        : scene(s), actors(std::move(who)), speech(std::move(says)), night(dark)
    {
    }
    Scene scene;
    QVector<Actor> actors;
    QString speech; // a speech bubble over the first actor, if any
    bool night;
};

// One drawn page: a header with the book's title, one to three framed panels,
// a caption box and a big page number. A cover draws the title large instead.
struct PageArt {
    QString bookTitle;
    int number = 0;
    bool cover = false;
    QString caption;     // the story text under the panels; on a cover, the credits line
    QSize size;
    QColor accent;
    QVector<Panel> panels;
};

QImage drawPage(const PageArt &page);

// The start-up picture: an irregular card with a soft shadow on a transparent ground.
QImage drawSplash();

} // namespace korvel::demo
