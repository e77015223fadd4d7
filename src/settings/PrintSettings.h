#pragma once

#include <QString>

// How addresses are printed: the lettering, the last print run's choices and where the labels
// of the two sheets sit. Plain numbers, as stored; printing turns them into its own options.
struct PrintSettings
{
    enum Layout
    {
        Postcard,
        Label12,
        Label24,
    };
    enum Numerals
    {
        KanjiTen,  // 十
        KanjiZero, // 一〇
        Upright,   // digits standing upright
    };

    // In millimetres; stored in tenths of one.
    struct Sheet
    {
        double leftMm = 0;
        double topMm = 0;
        double widthMm = 0;
        double heightMm = 0;
        double pitchXMm = 0;
        double pitchYMm = 0;

        bool operator==(const Sheet&) const = default;
    };

    // What the printer needs a layout moved, in millimetres right and down.
    struct Offset
    {
        double xMm = 0;
        double yMm = 0;
        bool operator==(const Offset&) const = default;
    };
    static constexpr double MaxOffsetMm = 20.0;

    QString fontFamily; // empty: printing's own default
    int numerals = KanjiTen;
    bool tateChuYoko = false; // two digits in one cell
    int layout = Postcard;
    bool office = false; // office addresses rather than home ones
    bool guides = false; // the card's boxes and the labels' outlines, for plain paper
    Sheet label12 = defaultSheet(Label12);
    Sheet label24 = defaultSheet(Label24);
    Offset offsets[3]; // by layout

    // The stored values; unknown numbers fall back to the defaults.
    static PrintSettings load();
    void save() const;
    // Only the font and the numerals, which the options sheet sets.
    void saveLettering() const;
    // The sheets as they come from the shop.
    static Sheet defaultSheet(Layout layout);
};
