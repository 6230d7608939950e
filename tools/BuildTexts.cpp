#include "tools/BuildTexts.h"

namespace velkan::machine {

namespace {

using shellpatch::kBuildCount;

// Captions in Entry order: Programs, Favorites, Documents, Settings, Find,
// Help, Run, Log Off, Suspend, Shut Down.
constexpr BuildTexts kEnglishIe4{u"Start",
                                 u"Click here to begin.",
                                 {u"&Programs", u"F&avorites", u"&Documents", u"&Settings",
                                  u"&Find", u"&Help", u"&Run...", u"&Log Off", u"Sus&pend",
                                  u"Sh&ut Down..."}};
constexpr BuildTexts kEnglish{u"Start",
                              u"Click here to begin",
                              {u"&Programs", u"", u"&Documents", u"&Settings", u"&Find", u"&Help",
                               u"&Run...", u"", u"Sus&pend", u"Sh&ut Down..."}};
constexpr BuildTexts kFrenchIe4{u"Démarrer",
                                u"Cliquez ici pour commencer.",
                                {u"&Programmes", u"&Favoris", u"&Documents", u"P&aramètres",
                                 u"&Rechercher", u"&Aide", u"E&xécuter...", u"&Déconnexion",
                                 u"&Suspendre", u"Arrê&ter..."}};
constexpr BuildTexts kFrench{u"Démarrer",
                             u"Cliquez ici pour commencer",
                             {u"&Programmes", u"", u"&Documents", u"P&aramètres", u"&Rechercher",
                              u"&Aide", u"E&xécuter...", u"", u"&Suspendre", u"Arrê&ter..."}};
constexpr BuildTexts kFinnishIe4{u"Käynnistä",
                                 u"Aloita napsauttamalla.",
                                 {u"&Ohjelmat", u"&Suosikit", u"&Tiedostot", u"&Asetukset",
                                  u"&Etsi", u"&Ohje", u"Suo&rita...", u"&Kirjaudu ulos",
                                  u"&Lepotila", u"Sa&mmuta..."}};
constexpr BuildTexts kFinnish{u"Käynnistä",
                              u"Aloita napsauttamalla.",
                              {u"&Ohjelmat", u"", u"&Tiedostot", u"&Asetukset", u"&Etsi", u"&Ohje",
                               u"Suo&rita...", u"", u"&Lepotila", u"Sa&mmuta..."}};
constexpr BuildTexts kGermanIe4{u"Start",
                                u"Klicken Sie hier, um zu beginnen.",
                                {u"&Programme", u"&Favoriten", u"&Dokumente", u"&Einstellungen",
                                 u"&Suchen", u"&Hilfe", u"&Ausführen...", u"&Abmelden",
                                 u"&Unterbrechen", u"&Beenden..."}};
constexpr BuildTexts kGerman{u"Start",
                             u"Klicken Sie hier, um zu beginnen.",
                             {u"&Programme", u"", u"&Dokumente", u"&Einstellungen", u"&Suchen",
                              u"&Hilfe", u"&Ausführen...", u"", u"&Unterbrechen", u"&Beenden..."}};
constexpr BuildTexts kItalianIe4{u"Start",
                                 u"Fare clic per iniziare",
                                 {u"&Programmi", u"Pre&feriti", u"&Documenti", u"&Impostazioni",
                                  u"&Trova", u"&Guida in linea", u"&Esegui...", u"&Disconnetti",
                                  u"&Sospendi", u"&Chiudi sessione..."}};
constexpr BuildTexts kItalian{u"Start",
                              u"Fare clic per iniziare",
                              {u"&Programmi", u"", u"&Documenti", u"&Impostazioni", u"&Trova",
                               u"Guida", u"&Esegui...", u"", u"&Sospendi", u"&Chiudi sessione..."}};
constexpr BuildTexts kPolishIe4{u"Start",
                                u"Kliknij tutaj, aby rozpocząć.",
                                {u"&Programy", u"&Ulubione", u"&Dokumenty", u"&Ustawienia",
                                 u"&Znajdź", u"Pomo&c", u"&Uruchom...", u"&Wyloguj", u"&Wstrzymaj",
                                 u"&Zamknij system..."}};
constexpr BuildTexts kPolish{u"Start",
                             u"Kliknij tutaj, aby rozpocząć",
                             {u"&Programy", u"", u"&Dokumenty", u"&Ustawienia", u"&Znajdź",
                              u"Pomo&c", u"&Uruchom...", u"", u"&Wstrzymaj",
                              u"&Zamknij system..."}};
constexpr BuildTexts kPortugueseIe4{u"Iniciar",
                                    u"Clique aqui para começar.",
                                    {u"&Programas", u"&Favoritos", u"&Documentos",
                                     u"&Configurações", u"&Localizar", u"Aj&uda", u"E&xecutar...",
                                     u"&Fazer logoff...", u"&Suspender", u"De&sligar..."}};
constexpr BuildTexts kPortuguese{u"Iniciar",
                                 u"Clique aqui para começar",
                                 {u"&Programas", u"", u"&Documentos", u"&Configurações",
                                  u"&Localizar", u"Aj&uda", u"E&xecutar...", u"", u"&Suspender",
                                  u"De&sligar..."}};
constexpr BuildTexts kRussianIe4{u"Пуск",
                                 u"Начните работу с нажатия этой кнопки.",
                                 {u"&Программы", u"&Избранное", u"&Документы", u"&Настройка",
                                  u"&Найти", u"&Справка", u"&Выполнить...", u"&Завершение сеанса",
                                  u"&Ждущий режим", u"&Завершение работы..."}};
constexpr BuildTexts kRussian{u"Пуск",
                              u"Начните работу с нажатия этой кнопки.",
                              {u"&Программы", u"", u"&Документы", u"&Настройка", u"&Найти",
                               u"&Справка", u"&Выполнить...", u"", u"&Ожидание",
                               u"&Завершение работы..."}};
constexpr BuildTexts kSpanishIe4{u"Inicio",
                                 u"Haga clic aquí para empezar.",
                                 {u"&Programas", u"&Favoritos", u"&Documentos", u"&Configurar",
                                  u"&Buscar", u"A&yuda", u"&Ejecutar...", u"&Cerrar sesión",
                                  u"&Suspender", u"&Apagar el sistema..."}};
constexpr BuildTexts kSwedishIe4{u"Start",
                                 u"Klicka här för att börja.",
                                 {u"&Program", u"&Favoriter", u"&Dokument", u"&Inställningar",
                                  u"&Sök", u"&Hjälp", u"&Kör...", u"&Logga ut", u"&Viloläge",
                                  u"&Avsluta..."}};
constexpr BuildTexts kSwedish{u"Start",
                              u"Klicka här för att börja.",
                              {u"&Program", u"", u"&Dokument", u"&Inställningar", u"&Sök",
                               u"&Hjälp", u"&Kör...", u"", u"&Viloläge", u"&Avsluta..."}};
constexpr BuildTexts kCzech{u"Start",
                            u"Začněte klepnutím sem",
                            {u"&Programy", u"", u"&Dokumenty", u"&Nastavení", u"&Hledat",
                             u"Nápo&věda", u"&Spustit", u"", u"&Spát", u"&Vypnout"}};
constexpr BuildTexts kDanish{u"Start",
                             u"Klik her for at starte",
                             {u"&Programmer", u"", u"&Dokumenter", u"&Indstillinger", u"&Søg",
                              u"&Hjælp", u"&Kør...", u"", u"&Pause", u"&Luk computeren..."}};
constexpr BuildTexts kDutch{u"Start",
                            u"Klik hier om te beginnen",
                            {u"P&rogramma's", u"", u"&Documenten", u"&Instellingen", u"&Zoeken",
                             u"&Help", u"&Uitvoeren...", u"", u"&Pauze", u"&Afsluiten..."}};
constexpr BuildTexts kHebrew{u"התחל",
                             u"לחץ כאן כדי להתחיל",
                             {u"&תוכניות", u"", u"&מסמכים", u"&הגדרות", u"&חפש", u"&עזרה", u"&הפעל",
                              u"", u"&השהה", u"&כיבוי..."}};

constexpr std::array<const BuildTexts*, kBuildCount> kTexts{
    &kEnglishIe4, &kEnglishIe4, &kEnglishIe4, &kEnglishIe4, &kFrenchIe4,     &kFrenchIe4,
    &kFinnishIe4, &kGermanIe4,  &kItalianIe4, &kPolishIe4,  &kPortugueseIe4, &kRussianIe4,
    &kSpanishIe4, &kSwedishIe4, &kSwedishIe4, &kEnglish,    &kEnglish,       &kCzech,
    &kDanish,     &kDutch,      &kFrench,     &kFinnish,    &kGerman,        &kHebrew,
    &kItalian,    &kPolish,     &kPortuguese, &kRussian,    &kSwedish,
};

} // namespace

const BuildTexts& buildTexts(int position) {
    return *kTexts.at(static_cast<std::size_t>(position));
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = text[i];
        int extra = b < 0x80             ? 0
                    : (b & 0xE0) == 0xC0 ? 1
                    : (b & 0xF0) == 0xE0 ? 2
                    : (b & 0xF8) == 0xF0 ? 3
                                         : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = text[i + k];
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = c << 6 | (next & 0x3F);
        }
        if (!valid) {
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

} // namespace velkan::machine
