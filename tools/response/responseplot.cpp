#include "responseplot.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace KestrumTool
{

namespace
{

struct SurfaceDeleter
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter
{
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

constexpr int kWidth = 900, kHeight = 480;
constexpr double kLeft = 70, kRight = 20, kTop = 50, kBottom = 50;

struct Colour
{
    double r, g, b;
};
const Colour kCurveColours[] = {{0.35, 0.75, 1.0}, {1.0, 0.72, 0.25}, {0.55, 0.9, 0.45}};

class Axes
{
public:
    explicit Axes(const PlotRange& range) : range(range) {}
    double x(double hz) const
    {
        const double t = std::log10(hz / range.lowHz) / std::log10(range.highHz / range.lowHz);
        return kLeft + t * (kWidth - kLeft - kRight);
    }
    double y(double db) const
    {
        const double t = (db - range.lowDb) / (range.highDb - range.lowDb);
        return kHeight - kBottom - t * (kHeight - kTop - kBottom);
    }
    const PlotRange& range;
};

void text(cairo_t* cr, double x, double y, const char* s, double alignX)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s, &extents);
    cairo_move_to(cr, x - alignX * extents.width, y);
    cairo_show_text(cr, s);
}

void drawGrid(cairo_t* cr, const Axes& axes)
{
    const PlotRange& r = axes.range;
    cairo_set_line_width(cr, 1.0);
    cairo_set_font_size(cr, 12);
    char label[32];
    for (double decade = r.lowHz; decade < r.highHz * 1.001; decade *= 10)
        for (int m : {1, 2, 5})
        {
            const double hz = decade * m;
            if (hz > r.highHz * 1.001)
                break;
            cairo_set_source_rgb(cr, m == 1 ? 0.32 : 0.22, m == 1 ? 0.34 : 0.23,
                                 m == 1 ? 0.38 : 0.26);
            cairo_move_to(cr, axes.x(hz) + 0.5, kTop);
            cairo_line_to(cr, axes.x(hz) + 0.5, kHeight - kBottom);
            cairo_stroke(cr);
            std::snprintf(label, sizeof(label), hz >= 1000 ? "%.0fk" : "%.0f",
                          hz >= 1000 ? hz / 1000 : hz);
            cairo_set_source_rgb(cr, 0.75, 0.77, 0.8);
            text(cr, axes.x(hz), kHeight - kBottom + 18, label, 0.5);
        }
    for (double db = std::ceil(r.lowDb / 10) * 10; db <= r.highDb; db += 10)
    {
        cairo_set_source_rgb(cr, 0.25, 0.27, 0.3);
        cairo_move_to(cr, kLeft, axes.y(db) + 0.5);
        cairo_line_to(cr, kWidth - kRight, axes.y(db) + 0.5);
        cairo_stroke(cr);
        std::snprintf(label, sizeof(label), "%+.0f dB", db);
        cairo_set_source_rgb(cr, 0.75, 0.77, 0.8);
        text(cr, kLeft - 8, axes.y(db) + 4, db == 0 ? "0 dB" : label, 1.0);
    }
    // The -3 dB line that the corner frequencies are read at.
    const double dash[] = {4.0, 4.0};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_move_to(cr, kLeft, axes.y(-3.0));
    cairo_line_to(cr, kWidth - kRight, axes.y(-3.0));
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    text(cr, kWidth - kRight - 4, axes.y(-3.0) - 5, "-3 dB", 1.0);
    text(cr, (kLeft + kWidth - kRight) / 2, kHeight - 12, "frequency (Hz)", 0.5);
}

void drawCurve(cairo_t* cr, const Axes& axes, const ResponseCurve& curve, const Colour& colour)
{
    cairo_save(cr);
    cairo_rectangle(cr, kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
    cairo_set_line_width(cr, 2.2);
    for (size_t i = 0; i < curve.frequencies.size(); ++i)
    {
        const double db = std::max(curve.gainsDb[i], axes.range.lowDb - 10);
        if (i == 0)
            cairo_move_to(cr, axes.x(curve.frequencies[i]), axes.y(db));
        else
            cairo_line_to(cr, axes.x(curve.frequencies[i]), axes.y(db));
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace

bool drawResponsePlot(const std::vector<ResponseCurve>& curves, const PlotRange& range,
                      const std::string& title, const std::string& pngPath, std::string& error)
{
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    std::unique_ptr<cairo_t, ContextDeleter> context(cairo_create(surface.get()));
    cairo_t* cr = context.get();
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    {
        error = "cannot create a drawing surface";
        return false;
    }
    cairo_set_source_rgb(cr, 0.11, 0.12, 0.14);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    const Axes axes(range);
    drawGrid(cr, axes);
    cairo_set_font_size(cr, 15);
    cairo_set_source_rgb(cr, 0.92, 0.93, 0.95);
    text(cr, kLeft, 30, title.c_str(), 0.0);

    // The legend sits in the empty lower right, where every curve is flat.
    cairo_set_font_size(cr, 13);
    const double legendTop = kHeight - kBottom - 30 - 20 * static_cast<double>(curves.size());
    cairo_set_source_rgb(cr, 0.15, 0.16, 0.19);
    cairo_rectangle(cr, kWidth - kRight - 272, legendTop, 262,
                    20 * static_cast<double>(curves.size()) + 14);
    cairo_fill(cr);
    for (size_t i = 0; i < curves.size(); ++i)
    {
        const Colour& colour = kCurveColours[i % 3];
        drawCurve(cr, axes, curves[i], colour);
        char legend[96];
        std::snprintf(legend, sizeof(legend), "%s  (-3 dB at %.1f Hz)", curves[i].label.c_str(),
                      minus3dBFrequency(curves[i]));
        const double ly = legendTop + 22 + 20 * static_cast<double>(i);
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_rectangle(cr, kWidth - kRight - 260, ly - 9, 18, 4);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.92);
        text(cr, kWidth - kRight - 234, ly - 3, legend, 0.0);
    }

    if (cairo_surface_write_to_png(surface.get(), pngPath.c_str()) != CAIRO_STATUS_SUCCESS)
    {
        error = "cannot write " + pngPath;
        return false;
    }
    return true;
}

} // namespace KestrumTool
