#include "Html.h"

QString Html::escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString Html::page(const QString& title, const QString& body)
{
    static const QString frame =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<title>%1</title><style>"
                       "body{font-family:sans-serif;margin:2em auto;max-width:60em;padding:0 1em;color:#222}"
                       "h1{font-size:1.4em}h2{font-size:1.1em;margin-top:2em;border-bottom:1px solid #ccc}"
                       "table{border-collapse:collapse;width:100%}"
                       "td,th{text-align:left;padding:.25em .5em;border-bottom:1px solid #eee;vertical-align:top}"
                       "td.num{text-align:right;white-space:nowrap}"
                       ".bar{position:relative;height:1.2em;background:#f4f4f4;margin:.5em 0}"
                       ".bar span{position:absolute;top:0;bottom:0;background:#6a8fd0;min-width:1px}"
                       ".marker{color:#888;font-style:italic}"
                       "form{margin:1.5em 0}input,button{font-size:1em;padding:.3em .6em}"
                       "</style></head><body>\n%2\n</body></html>\n");
    // One pass over both markers, so a "%1" inside the body stays as it is.
    return frame.arg(escape(title), body);
}
