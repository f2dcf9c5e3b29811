#pragma once

#include <QString>

// The game's own words. Each is picked in German or English when it is composed, by the same
// settings as every other text ("german" or "pongGerman"), and is not translated again later.
namespace PongText {

QString pick(const QString& english, const QString& german);

QString ready();
bool isReady(const QString& message);  // in either language

// Quick format: one game.
QString gameWon(bool you);
// Long format: the match, with the winner's and the loser's sets ("… 2:1").
QString matchWon(bool you, int winnerSets, int loserSets);
// Long format: a set, with its number, winner and final points.
QString setWon(int number, bool you, int pointsLeft, int pointsRight);

QString level(int level);   // 0 easy, 1 normal, 2 hard
QString format(int format);  // 0 quick, 1 long
QString observer();
QString match();
// The format line and the help below the field.
QString info(int format);

}
