#include "game/PongText.h"

#include "core/Prefs.h"

QString PongText::pick(const QString& english, const QString& german)
{
    return Prefs::shared().german() ? german : english;
}

QString PongText::ready()
{
    return pick(QStringLiteral("READY"), QStringLiteral("BEREIT"));
}

bool PongText::isReady(const QString& message)
{
    return message == u"READY" || message == u"BEREIT";
}

QString PongText::gameWon(bool you)
{
    return you ? pick(QStringLiteral("YOU WIN"), QStringLiteral("DU GEWINNST"))
               : pick(QStringLiteral("LU.MARA WINS"), QStringLiteral("LU.MARA GEWINNT"));
}

QString PongText::matchWon(bool you, int winnerSets, int loserSets)
{
    const QString words = you ? pick(QStringLiteral("YOU WIN THE MATCH"), QStringLiteral("MATCH GEWONNEN"))
                              : pick(QStringLiteral("LU.MARA WINS THE MATCH"), QStringLiteral("LU.MARA GEWINNT DAS MATCH"));
    return QStringLiteral("%1  %2:%3").arg(words).arg(winnerSets).arg(loserSets);
}

QString PongText::setWon(int number, bool you, int pointsLeft, int pointsRight)
{
    return QStringLiteral("%1 %2 · %3  %4:%5")
        .arg(pick(QStringLiteral("SET"), QStringLiteral("SATZ")))
        .arg(number)
        .arg(you ? pick(QStringLiteral("YOU"), QStringLiteral("DU")) : QStringLiteral("LU.MARA"))
        .arg(pointsLeft)
        .arg(pointsRight);
}

QString PongText::level(int level)
{
    switch (level) {
    case 0:
        return pick(QStringLiteral("easy"), QStringLiteral("leicht"));
    case 1:
        return pick(QStringLiteral("normal"), QStringLiteral("normal"));
    default:
        return pick(QStringLiteral("hard"), QStringLiteral("schwer"));
    }
}

QString PongText::format(int format)
{
    return format == 1 ? pick(QStringLiteral("long"), QStringLiteral("lang")) : pick(QStringLiteral("quick"), QStringLiteral("kurz"));
}

QString PongText::observer()
{
    return pick(QStringLiteral("observer"), QStringLiteral("zuschauen"));
}

QString PongText::match()
{
    return QStringLiteral("match:");
}

QString PongText::info(int format)
{
    // The rules play any format but 1 as quick; the text says what is played.
    const QString formatLine = format == 1
        ? pick(QStringLiteral("long: best of 3 sets · a set goes to 11, win by 2"),
              QStringLiteral("lang: 2 gewinnsätze · ein satz geht bis 11, mit 2 punkten vorsprung"))
        : pick(QStringLiteral("quick: first to 5"), QStringLiteral("kurz: wer zuerst 5 hat"));
    const QString help = pick(
        QStringLiteral("mouse over the field or hold ↑ ↓ · double-click or space just before you hit = smash\n"
                       "click lu.pong for a new game · observer: the computer plays itself · sound and language in "
                       "settings · click the logo to go back to your mail"),
        QStringLiteral("maus über dem feld oder ↑ ↓ halten · doppelklick oder leertaste kurz vor dem treffer = smash\n"
                       "lu.pong klicken für ein neues spiel · zuschauen: der computer spielt gegen sich selbst · ton "
                       "und sprache in den einstellungen · logo klicken, um zur mail zurückzukehren"));
    return formatLine + u'\n' + help;
}
