// skingen: draws every skin bitmap of the client into a folder, at build time.
//
// One flat style: a slate title band, white panels, a blue accent; button families get their
// state images from one glyph drawn on state-tinted plates. Usage: skingen OUTPUT_FOLDER.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>

#include "SkinPalette.h"

namespace {

using Glyph = std::function<void(QPainter&, const QRectF&, const QColor&)>;

bool Save(const QString& folder, const QString& name, const QImage& image) {
    const QString path = folder + "/" + name;
    if (!image.save(path, "BMP")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Canvas(int w, int h, const QColor& fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

QPen Stroke(const QColor& c, qreal width) {
    QPen p(c, width);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

// ---- glyphs: each fills the given box with a simple line icon ----

void GlyphSplit(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    const qreal w = r.width() / 2 - 2, h = r.height() / 2 - 2;
    for (int i = 0; i < 4; ++i) {
        p.drawRoundedRect(QRectF(r.left() + (i % 2) * (w + 4), r.top() + (i / 2) * (h + 4), w, h),
                          2, 2);
    }
}

void GlyphCamera(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QRectF body(r.left(), r.top() + r.height() * 0.25, r.width() * 0.72, r.height() * 0.5);
    p.drawRoundedRect(body, 3, 3);
    QPolygonF lens;
    lens << QPointF(body.right(), body.center().y() - 2) << QPointF(r.right(), body.top())
         << QPointF(r.right(), body.bottom()) << QPointF(body.right(), body.center().y() + 2);
    p.drawPolygon(lens);
}

void GlyphMessage(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QRectF env = r.adjusted(0, r.height() * 0.15, 0, -r.height() * 0.15);
    p.drawRoundedRect(env, 2, 2);
    p.drawLine(env.topLeft(), env.center());
    p.drawLine(env.center(), env.topRight());
}

void GlyphScene(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QPainterPath house;
    house.moveTo(r.left(), r.center().y());
    house.lineTo(r.center().x(), r.top());
    house.lineTo(r.right(), r.center().y());
    p.drawPath(house);
    p.drawRect(
        QRectF(r.left() + r.width() * 0.15, r.center().y(), r.width() * 0.7, r.height() / 2));
}

void GlyphLock(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QRectF body(r.left() + r.width() * 0.1, r.center().y() - 2, r.width() * 0.8,
                r.height() / 2 + 2);
    p.drawRoundedRect(body, 3, 3);
    QRectF shackle(r.left() + r.width() * 0.25, r.top(), r.width() * 0.5, r.height() * 0.7);
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
    p.drawLine(QPointF(shackle.right(), shackle.center().y()),
               QPointF(shackle.right(), body.top()));
}

void GlyphInfo(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(1, 1, -1, -1));
    p.drawLine(QPointF(r.center().x(), r.center().y() - 1),
               QPointF(r.center().x(), r.bottom() - r.height() * 0.25));
    p.setBrush(c);
    p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.28), 1.2, 1.2);
}

void GlyphUsers(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    const qreal hr = r.width() * 0.18;
    p.drawEllipse(QPointF(r.center().x(), r.top() + hr + 1), hr, hr);
    p.drawArc(QRectF(r.left() + 2, r.center().y(), r.width() - 4, r.height()), 0, 180 * 16);
}

void GlyphGear(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    const QPointF m = r.center();
    const qreal ro = r.width() / 2 - 1, ri = ro * 0.45;
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(m);
        p.rotate(i * 45.0);
        p.drawLine(QPointF(0, -ro * 0.7), QPointF(0, -ro));
        p.restore();
    }
    p.drawEllipse(m, ro * 0.72, ro * 0.72);
    p.drawEllipse(m, ri, ri);
}

void GlyphRefresh(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QRectF a = r.adjusted(2, 2, -2, -2);
    p.drawArc(a, 40 * 16, 280 * 16);
    const QPointF tip(a.center().x() + a.width() / 2 * 0.77,
                      a.center().y() - a.height() / 2 * 0.64);
    p.drawLine(tip, tip + QPointF(0, -5));
    p.drawLine(tip, tip + QPointF(-5, 0));
}

void GlyphPlus(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2.5));
    p.drawLine(QPointF(r.center().x(), r.top() + 2), QPointF(r.center().x(), r.bottom() - 2));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
}

void GlyphMinus(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2.5));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
}

void GlyphClose(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    const QRectF b =
        r.adjusted(r.width() * 0.3, r.height() * 0.3, -r.width() * 0.3, -r.height() * 0.3);
    p.drawLine(b.topLeft(), b.bottomRight());
    p.drawLine(b.topRight(), b.bottomLeft());
}

void GlyphMax(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(r.width() * 0.3, r.height() * 0.3, -r.width() * 0.3, -r.height() * 0.3));
}

void GlyphMin(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.drawLine(QPointF(r.left() + r.width() * 0.3, r.center().y() + 3),
               QPointF(r.right() - r.width() * 0.3, r.center().y() + 3));
}

void GlyphRecorder(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QRectF box(r.left(), r.top() + r.height() * 0.3, r.width(), r.height() * 0.45);
    p.drawRoundedRect(box, 3, 3);
    p.setBrush(c);
    p.drawEllipse(QPointF(box.right() - 6, box.center().y()), 1.5, 1.5);
    p.drawLine(QPointF(box.left() + 5, box.center().y()),
               QPointF(box.center().x(), box.center().y()));
}

void GlyphArea(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Stroke(c, 2));
    p.setBrush(Qt::NoBrush);
    QPainterPath shield;
    shield.moveTo(r.center().x(), r.top());
    shield.lineTo(r.right(), r.top() + r.height() * 0.2);
    shield.quadTo(r.right(), r.bottom() - r.height() * 0.2, r.center().x(), r.bottom());
    shield.quadTo(r.left(), r.bottom() - r.height() * 0.2, r.left(), r.top() + r.height() * 0.2);
    shield.closeSubpath();
    p.drawPath(shield);
}

// ---- images ----

// A square state plate with a glyph; plate and glyph colours follow the state.
QImage Plate(int w, int h, const Glyph& glyph, const QColor& plate, const QColor& ink,
             qreal glyph_box, int glyph_top, const QColor& ground = skin::kPanel) {
    QImage img = Canvas(w, h, ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 6, 6);
    const QRectF box((w - glyph_box) / 2, glyph_top, glyph_box, glyph_box);
    glyph(p, box, ink);
    return img;
}

struct StateColours {
    QColor plate;
    QColor ink;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "skingen: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    // _s1 normal, _s2 highlighted, _s3 pressed or disabled-looking; which suffix serves which
    // state is the button family's business.
    const StateColours states[3] = {
        {skin::kPanel, skin::kInk},
        {skin::kHover, skin::kAccent},
        {skin::kPressed, skin::kAccentDark},
    };
    const char* suffix[3] = {"_s1", "_s2", "_s3"};

    struct Button {
        const char* stem;
        Glyph glyph;
    };
    const Button layout[] = {
        {"bottom_split", GlyphSplit},      {"bottom_device", GlyphCamera},
        {"bottom_mymsg", GlyphMessage},    {"bottom_sightmode", GlyphScene},
        {"bottom_lock", GlyphLock},        {"bottom_sysmsg", GlyphInfo},
        {"bottom_usermanage", GlyphUsers}, {"bottom_sysset", GlyphGear},
    };
    for (const Button& b : layout) {
        for (int s = 0; s < 3; ++s) {
            ok &= Save(out, QString(b.stem) + suffix[s] + ".bmp",
                       Plate(skin::kLayoutButtonW, skin::kLayoutButtonH, b.glyph, states[s].plate,
                             states[s].ink, 22, 6, skin::kBackground));
        }
    }
    const Button header[] = {
        {"bottom_frensh", GlyphRefresh},
        {"bottom_adddev", GlyphPlus},
        {"bottom_deldev", GlyphMinus},
    };
    for (const Button& b : header) {
        for (int s = 0; s < 3; ++s) {
            QImage img = Plate(skin::kHeaderButton, skin::kHeaderButton, b.glyph,
                               s == 0 ? skin::kHeader : states[s].plate,
                               s == 0 ? QColor(Qt::white) : states[s].ink, 14, 7, skin::kHeader);
            ok &= Save(out, QString(b.stem) + suffix[s] + ".bmp", img);
        }
    }
    // Title-bar buttons: _s3 is the resting look on the dark band.
    const Button title[] = {
        {"dlg_close_", GlyphClose}, {"dlg_max_", GlyphMax}, {"dlg_min_", GlyphMin}};
    for (const Button& b : title) {
        const StateColours t[3] = {
            {skin::kTitleHover, Qt::white},
            {std::string(b.stem) == "dlg_close_" ? skin::kDanger : skin::kTitleHover.darker(120),
             Qt::white},
            {skin::kTitle, skin::kTitleInk},
        };
        for (int s = 0; s < 3; ++s) {
            QImage img = Canvas(skin::kTitleButton, skin::kTitleBand, t[s].plate);
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            b.glyph(p,
                    QRectF(0, (skin::kTitleBand - skin::kTitleButton) / 2.0, skin::kTitleButton,
                           skin::kTitleButton),
                    t[s].ink);
            ok &= Save(out, QString(b.stem) + suffix[s] + ".bmp", img);
        }
    }
    for (int s = 0; s < 3; ++s) {
        const StateColours t[3] = {
            {skin::kDanger, Qt::white}, {skin::kHover, skin::kInk}, {skin::kPanel, skin::kMuted}};
        QImage img = Canvas(24, 24, t[s].plate);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        GlyphClose(p, QRectF(0, 0, 24, 24), t[s].ink);
        ok &= Save(out, QString("dev_manage_close_") + suffix[s] + ".bmp", img);
    }
    // Device-row buttons and icons: _default, _mo, _click.
    const char* row_state[3] = {"_default", "_mo", "_click"};
    const QColor row_plate[3] = {skin::kPanel, skin::kHover, skin::kPressed};
    for (int s = 0; s < 3; ++s) {
        ok &=
            Save(out, QString("leftbar_seting_") + row_state[s] + ".bmp",
                 Plate(40, 40, GlyphGear, row_plate[s], s ? skin::kAccent : skin::kMuted, 20, 10));
        ok &=
            Save(out, QString("leftbar_area_") + row_state[s] + ".bmp",
                 Plate(40, 40, GlyphArea, row_plate[s], s ? skin::kAccent : skin::kMuted, 20, 10));
        const struct {
            const char* stem;
            Glyph glyph;
            QColor ink;
        } icons[] = {
            {"ipc_icon", GlyphCamera, skin::kOnline},
            {"ipc_icon_off", GlyphCamera, skin::kMuted},
            {"icon_wvr", GlyphRecorder, skin::kOnline},
            {"icon_wvr_off", GlyphRecorder, skin::kMuted},
        };
        for (const auto& icon : icons) {
            ok &= Save(out, QString(icon.stem) + row_state[s] + ".bmp",
                       Plate(32, 32, icon.glyph, row_plate[s], icon.ink, 22, 5));
        }
    }
    // Backgrounds and title band.
    ok &= Save(out, "dlg_top.bmp", Canvas(8, skin::kTitleBand, skin::kTitle));
    ok &= Save(out, "dlg_left_top.bmp", Canvas(8, skin::kTitleBand, skin::kTitle));
    ok &= Save(out, "dlg_right_top.bmp", Canvas(8, skin::kTitleBand, skin::kTitle));
    {
        QImage img = Canvas(250, 36, skin::kHeader);
        ok &= Save(out, "leftbar_top_bg.bmp", img);
    }
    {
        QImage img = Canvas(240, 125, skin::kBackground);
        QPainter p(&img);
        p.setPen(skin::kRule);
        p.drawLine(0, 0, 239, 0);
        ok &= Save(out, "bottom_bg.bmp", img);
    }
    // Logo: a blue rounded square holding a lens.
    for (const auto& [name, size] : {std::pair{"logo.bmp", 29}, std::pair{"logoicon.bmp", 64}}) {
        QImage img = Canvas(size, size, skin::kTitle);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(skin::kAccent);
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.3, size * 0.3);
        p.setBrush(skin::kAccentDark);
        p.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.15, size * 0.15);
        ok &= Save(out, name, img);
    }
    // Split chooser buttons: a white plate at rest, the highlight under the mouse.
    for (const auto& [suffix_name, plate, rule] :
         {std::tuple{"_s2", skin::kPanel, skin::kRule},
          std::tuple{"_s3", skin::kPressed, skin::kAccent}}) {
        QImage img = Canvas(96, 30, skin::kBackground);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Stroke(rule, 1));
        p.setBrush(plate);
        p.drawRoundedRect(QRectF(0.5, 0.5, 95, 29), 5, 5);
        ok &= Save(out, QString("devmessage_condition") + suffix_name + ".bmp", img);
    }
    // Login and lock.
    ok &= Save(out, "login_btn_s2.bmp", Canvas(220, 36, skin::kAccent));
    ok &= Save(out, "login_btn_s3.bmp", Canvas(220, 36, skin::kAccentDark));
    ok &= Save(out, "Lock_s1.bmp", Canvas(140, 36, skin::kAccent));
    ok &= Save(out, "Lock_s2.bmp", Canvas(140, 36, skin::kAccentDark));
    ok &=
        Save(out, "login_user_s.bmp", Plate(24, 24, GlyphUsers, skin::kPanel, skin::kMuted, 16, 4));
    ok &= Save(out, "login_pwd_s.bmp", Plate(24, 24, GlyphLock, skin::kPanel, skin::kMuted, 16, 4));
    return ok ? 0 : 1;
}
