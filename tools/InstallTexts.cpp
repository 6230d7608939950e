#include "tools/InstallTexts.h"

#include <cstring>

namespace velkan::machine {

namespace {

std::string withCrLf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            out += '\r';
        out += *p;
    }
    return out;
}

} // namespace

std::string readmeText() {
    return withCrLf(R"(Velkan 2.51 - a customiser for the Windows 95 shell
=====================================================

What Velkan does
----------------
Velkan changes the parts of the Windows 95 shell that Windows itself offers
no setting for:

  * the text, the tooltip and the icon of the Start button;
  * the captions of the Start menu entries (Programs, Favorites, Documents,
    Settings, Find, Help, Run, Log Off, Suspend, Shut Down);
  * the vertical logo at the left edge of the Start menu, and its height;
  * the icons drawn beside the Start menu entries;
  * which of the entries Favorites, Documents, Find, Run, Log Off and
    Suspend are shown;
  * the size and the colour depth of the shell's icons.

A whole look can be saved as a theme pack and loaded again later, and
Velkan can put on the next theme pack of its folder each time Windows
starts.

How it works
------------
The Start button and the Start menu texts and pictures live inside the
shell's own files, Explorer.exe and User.exe. Velkan never writes a file
that Windows is using: it patches working copies, installs them as
Explorer.new and User.new, keeps the original files as Explorer.sav and
User.sav, and lets Windows swap the files at its next start through the
[Rename] section of WinInit.ini. That is why most changes are seen only
after a restart. Velkan asks whether to restart (or, for registry-only
changes, to log off) when you press OK.

Velkan recognises 29 language builds of Windows 95 and Windows 95 with
the Internet Explorer 4 desktop update. When your build is not among
them, Velkan tells you so at start and the options that need the shell
files stay disabled.

Using Velkan
------------
Start Velkan from its shortcut on the desktop or in the Start menu.

Main page
  Type the new Start button text (at most five letters on most builds)
  and tooltip, and the new Start menu captions. An ampersand (&) before a
  letter makes it the entry's underlined access key.
  "Load icon" puts a new Start button icon in place. The icon file must
  hold one 16-colour image of 10x10, 12x12, 14x14, 16x16, 22x22 or 32x32
  pixels; Windows draws the size that suits the width of the caption
  buttons, and the frame in the preview shows which one that is.
  "Load logo" puts in a new logo: a 16-colour bitmap 21 pixels wide and
  up to 130 pixels high (57 for an ordinary bitmap, 130 for a run-length
  encoded one). The scroll bar beside the logo sets how much of it is
  shown.
  Click an icon beside a caption to choose another icon from any program,
  library or icon file; right-click it and choose "Restore icon" to go
  back to the standard one.
  Press OK to apply everything, Cancel to forget it.

Theme Packs page
  Walk to a folder: when it holds a theme pack you see its name, author,
  description and pictures. "Load theme" puts the whole pack in place;
  press OK afterwards to apply it. Tick "Load next theme at every Windows
  start" to have Velkan change the look by itself each time.

Restore
  The Restore button brings back the original shell files and removes
  Velkan's registry settings. Use it before you uninstall Velkan.

Theme packs
-----------
A theme pack is a folder holding index.vkr, a text file in the format of
Windows .ini files, and any of these pictures:

  Icon10.ico ... Icon32.ico   the Start button icon at each size
  Logo.bmp                    the Start menu logo
  1.ico ... 10.ico            the Start menu entry icons, in the order
                              Programs, Favorites, Documents, Settings,
                              Find, Help, Run, Log Off, Suspend, Shut Down

index.vkr has three sections:

  [About]        Name, Author, Description
  [StartButton]  Text, Tooltip
  [StartMenu]    Programs, Documents, Settings, Find, Help, Run, Suspend,
                 Shut Down, Favorites, Logoff, LogoHeight (1 to 130)

A key that is missing leaves that part of the look as it is. Four packs
come with Velkan: Ulmrit, Windows98, Sample and Sun. The Sample pack uses
every file a pack can hold; copy it to start a pack of your own, or save
your current look with "Save theme".

Files
-----
  Velkrun.exe    the customiser
  Remove.exe     the uninstaller
  Readme.txt     this file (ReadmeFr.txt in French)
  History.txt    what changed from version to version

Uninstalling
------------
First press Restore in Velkan to bring back your original shell files.
Then run "Remove.exe" in Velkan's folder (or choose Velkan in Add/Remove
Programs of the Control Panel). It removes Velkan's registry entries, its
files, the four stock theme packs and its shortcuts. Theme packs of your
own stay where they are. Delete Remove.exe by hand afterwards.

Velkan is free. Use it at your own risk: it changes system files, so keep
a boot disk at hand, as with any program of this kind.
)");
}

std::string readmeFrenchText() {
    return withCrLf(R"(Velkan 2.51 - personnalisation du shell de Windows 95
=====================================================

Ce que fait Velkan
------------------
Velkan modifie les elements du shell de Windows 95 que Windows ne permet
pas de regler :

  * le texte, l'info-bulle et l'icone du bouton Demarrer ;
  * les libelles des entrees du menu Demarrer (Programmes, Favoris,
    Documents, Parametres, Rechercher, Aide, Executer, Fermer la session,
    Mettre en veille, Arreter) ;
  * le logo vertical a gauche du menu Demarrer, et sa hauteur ;
  * les icones affichees a cote des entrees du menu Demarrer ;
  * l'affichage des entrees Favoris, Documents, Rechercher, Executer,
    Fermer la session et Mettre en veille ;
  * la taille et le nombre de couleurs des icones du shell.

Un ensemble de reglages peut etre enregistre sous forme de theme (theme
pack) et recharge plus tard ; Velkan peut aussi appliquer le theme suivant
de son dossier a chaque demarrage de Windows.

Fonctionnement
--------------
Les textes et les images du bouton et du menu Demarrer se trouvent dans
les fichiers du shell, Explorer.exe et User.exe. Velkan ne modifie jamais
un fichier utilise par Windows : il travaille sur des copies, les installe
sous les noms Explorer.new et User.new, garde les originaux sous les noms
Explorer.sav et User.sav, et Windows echange les fichiers au demarrage
suivant grace a la section [Rename] de WinInit.ini. C'est pourquoi la
plupart des changements n'apparaissent qu'apres un redemarrage.

Velkan reconnait 29 versions linguistiques de Windows 95, avec ou sans la
mise a jour du bureau d'Internet Explorer 4. Si votre version n'en fait pas
partie, Velkan vous le signale au demarrage.

Utilisation
-----------
Page principale : saisissez le nouveau texte du bouton Demarrer (cinq
lettres au plus), son info-bulle et les libelles du menu. "Load icon"
charge une icone de 16 couleurs de 10x10, 12x12, 14x14, 16x16, 22x22 ou
32x32 pixels ; "Load logo" charge une image de 16 couleurs large de
21 pixels et haute de 130 pixels au plus. Cliquez sur l'icone d'une entree
pour en choisir une autre. OK applique les changements, Cancel les annule.

Page des themes : parcourez les dossiers ; si un dossier contient un theme,
son nom, son auteur, sa description et ses images s'affichent. "Load theme"
l'applique, puis OK le met en place.

Restore remet les fichiers d'origine et supprime les reglages de Velkan
dans la base de registre.

Themes
------
Un theme est un dossier contenant le fichier index.vkr (au format des
fichiers .ini) et, au choix, Icon10.ico a Icon32.ico, Logo.bmp et 1.ico a
10.ico. Quatre themes sont fournis : Ulmrit, Windows98, Sample et Sun.

Desinstallation
---------------
Appuyez d'abord sur Restore dans Velkan, puis lancez "Remove.exe" dans le
dossier de Velkan. Il supprime les entrees de registre, les fichiers, les
quatre themes fournis et les raccourcis. Supprimez ensuite Remove.exe a la
main.
)");
}

std::string historyText() {
    return withCrLf(R"(Velkan - version history
========================

2.51
  * Icons and logo: a bitmap that does not fit is refused with a message
    instead of being cut; the size Windows uses for the Start button icon
    is marked in the preview.
  * Theme packs: a pack saved with only some changes holds only those
    sections, and loading it leaves everything else alone.
  * Uninstaller: also removes the autoload entry from the Run key.

2.50
  * Autoload: Velkan can put on the next theme pack of its folder at every
    Windows start ("Load next theme at every Windows start").
  * Icon size and colour depth of the shell icons can be set.

2.40
  * Support for the Internet Explorer 4 desktop update: the Favorites and
    Log Off entries, their captions and icons.
  * Six entries of the Start menu can be hidden.

2.30
  * Icons beside the Start menu entries can be changed; icon browser with
    "Save as icon".
  * New builds: Hebrew, Arabic, Greek, Turkish.

2.20
  * Theme packs: load, save and preview, with four stock packs.

2.10
  * Start button icons at all six sizes Windows draws them at.
  * Restore button and restart prompt.

2.00
  * New logo loader: the Start menu logo and its height.
  * Working copies: the shell files Windows uses are never written.

1.00
  * First version: Start button text and Start menu captions for English
    Windows 95.
)");
}

std::string standInExecutable(const std::string& programName, const std::string& role) {
    // A one-paragraph MZ program: header, then code that prints the note and
    // ends, so that DOS shows what the file is if someone starts it there.
    std::string note = programName + " - " + role + "\r\n$";
    std::string out(0x40, '\0');
    const unsigned char header[] = {'M', 'Z'};
    std::memcpy(out.data(), header, 2);
    const std::size_t total = 0x40 + 14 + note.size();
    const auto lastPage = static_cast<unsigned>(total % 512);
    const auto pages = static_cast<unsigned>((total + 511) / 512);
    out[2] = static_cast<char>(lastPage & 0xFF);
    out[3] = static_cast<char>(lastPage >> 8);
    out[4] = static_cast<char>(pages & 0xFF);
    out[5] = static_cast<char>(pages >> 8);
    out[8] = 4; // header paragraphs
    out[0x0C] = '\xFF';
    out[0x0D] = '\xFF';
    out[0x10] = '\x00'; // sp
    out[0x11] = '\x01';
    out[0x18] = 0x40;
    // push cs; pop ds; mov dx, 000Eh; mov ah, 9; int 21h; mov ax, 4C00h; int 21h
    const unsigned char code[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                  0xCD, 0x21, 0xB8, 0x00, 0x4C, 0xCD, 0x21};
    out.append(reinterpret_cast<const char*>(code), sizeof code);
    out += note;
    return out;
}

} // namespace velkan::machine
