#pragma once

#include <QWidget>

class LUButton;

// The foot of the settings page: version, credit and the two web links.
class Signature : public QWidget {
    Q_OBJECT
public:
    explicit Signature(QWidget* parent = nullptr);

    LUButton* siteLink() const { return m_site; }
    LUButton* donationLink() const { return m_donation; }

private:
    LUButton* m_site;
    LUButton* m_donation;
};
