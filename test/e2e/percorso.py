"""Drives the real Custodex as a user would, on the X display and D-Bus session it is given.

Keys and clicks go through xdotool; what the program shows is read back through the desktop's
accessibility tree (AT-SPI), the notification area's windows and the clipboard. Every wait polls
for a state, with a deadline, and every step says what it expected when it fails.

    percorso.py <custodex binary> <working folder>
"""

import ctypes
import os
import re
import signal
import subprocess
import sys
import time

import pyatspi

ATTESA = 30  # seconds a step may take before it is called failed

CHIAVE = "Sale&Pepe 42"
CHIAVE_SBAGLIATA = "non è questa"
VOCI = [
    # name, user name, password (an unbalanced parenthesis and an accented letter), description
    ("Posta elettronica", "mario.rossi", "Chiave(è9", "casella del lavoro"),
    ("Banca", "conto42", "segreto2", ""),
]
DOMANDA_USCITA = "Sei sicuro di voler uscire?"


class Fallito(Exception):
    pass


passo_corrente = "avvio"


def passo(nome):
    global passo_corrente
    passo_corrente = nome
    print(f"-- {nome}", flush=True)


def aspetta(condizione, cosa, attesa=ATTESA):
    """Polls `condizione` until it gives something true, which it returns. `cosa` says what was
    awaited; given as a function, it is asked at the failure, to tell what was there instead."""
    fine = time.monotonic() + attesa
    ultimo = None
    while True:
        try:
            valore = condizione()
            if valore:
                return valore
            ultimo = valore
        except Exception as errore:  # the tree may change under our feet; shown if it lasts
            ultimo = errore
        if time.monotonic() > fine:
            if callable(cosa):
                cosa = cosa()
            raise Fallito(f"{cosa} (waited {attesa} s; last seen: {ultimo!r})")
        time.sleep(0.05)


def xdotool(*argomenti):
    return subprocess.run(
        ["xdotool", *map(str, argomenti)], check=True, capture_output=True, text=True
    ).stdout


# The Italian keyboard's accented letters, typed by keys of their own: xdotool would type them by
# remapping a spare key for a moment, and the program may look the key up in the restored map.
TASTI_ACCENTATI = {"à": "agrave", "è": "egrave", "é": "eacute", "ì": "igrave", "ò": "ograve",
                   "ù": "ugrave"}


def mappa_tasti_accentati():
    """Gives each accented letter a spare key for good, before the program reads the keyboard."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                   ctypes.POINTER(ctypes.c_int)]
    x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int)]
    x.XStringToKeysym.restype = ctypes.c_ulong
    x.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    schermo = x.XOpenDisplay(None)
    if not schermo:
        raise Fallito("cannot open the X display to map the accented letters")
    primo, ultimo = ctypes.c_int(), ctypes.c_int()
    x.XDisplayKeycodes(schermo, ctypes.byref(primo), ctypes.byref(ultimo))
    per_tasto = ctypes.c_int()
    quanti = ultimo.value - primo.value + 1
    mappa = x.XGetKeyboardMapping(schermo, primo.value, quanti, ctypes.byref(per_tasto))
    liberi = [primo.value + i for i in range(quanti)
              if not any(mappa[i * per_tasto.value + j] for j in range(per_tasto.value))]
    x.XFree(mappa)
    if len(liberi) < len(TASTI_ACCENTATI):
        raise Fallito("the keyboard has no spare keys for the accented letters")
    for tasto, nome in zip(liberi, TASTI_ACCENTATI.values()):
        simbolo = x.XStringToKeysym(nome.encode())
        x.XChangeKeyboardMapping(schermo, tasto, 1, (ctypes.c_ulong * 1)(simbolo), 1)
    x.XSync(schermo, 0)
    x.XCloseDisplay(schermo)


def scrivi(testo):
    for pezzo in re.split(f"([{''.join(TASTI_ACCENTATI)}])", testo):
        if pezzo in TASTI_ACCENTATI:
            xdotool("key", TASTI_ACCENTATI[pezzo])
        elif pezzo:
            xdotool("type", "--delay", "15", "--", pezzo)


def tasti(*nomi):
    xdotool("key", "--delay", "30", *nomi)


# --- windows, by title, through the X server ---


def finestre_visibili(titolo):
    """The ids of the mapped windows whose title is exactly `titolo`."""
    uscita = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(titolo)}$"],
        capture_output=True,
        text=True,
    ).stdout
    return [int(w) for w in uscita.split()]


# --- the accessibility tree ---


class Programma:
    def __init__(self, pid):
        self.pid = pid
        self.app = None

    def applicazione(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.pid:
                return app
        return None

    def collega(self):
        self.app = aspetta(self.applicazione, "the program appears in the accessibility tree")

    def finestre(self):
        return [self.app.getChildAtIndex(i) for i in range(self.app.childCount)]

    def finestra(self, ruoli, nome=None):
        for f in self.finestre():
            if f is None or f.getRoleName() not in ruoli:
                continue
            if nome is not None and f.name != nome:
                continue
            if visibile(f):
                return f
        return None

    def principale(self):
        return self.finestra(("frame",), "Custodex")

    def dialogo(self, nome=None):
        return self.finestra(("dialog", "alert", "file chooser"), nome)


def visibile(acc):
    stati = acc.getState()
    return stati.contains(pyatspi.STATE_SHOWING) or stati.contains(pyatspi.STATE_VISIBLE)


def discendenti(acc):
    for i in range(acc.childCount):
        figlio = acc.getChildAtIndex(i)
        if figlio is None:
            continue
        yield figlio
        yield from discendenti(figlio)


def cerca(acc, ruolo, nome=None):
    for d in discendenti(acc):
        if d.getRoleName() == ruolo and (nome is None or d.name == nome):
            return d
    return None


def trova(acc, ruolo, nome=None):
    trovato = cerca(acc, ruolo, nome)
    if trovato is None:
        raise Fallito(f"no {ruolo} {nome!r} in {acc.name!r}")
    return trovato


def testo_di(acc):
    try:
        t = acc.queryText()
        return t.getText(0, -1)
    except NotImplementedError:
        return acc.name


def clicca(acc):
    c = acc.queryComponent()
    x, y, w, h = c.getExtents(pyatspi.DESKTOP_COORDS)
    if w <= 0 or h <= 0:
        raise Fallito(f"{acc.getRoleName()} {acc.name!r} has no place on the screen")
    xdotool("mousemove", "--sync", x + w // 2, y + h // 2, "click", "1")


# --- the main window's pieces ---


def etichette(principale):
    return [d for d in discendenti(principale) if d.getRoleName() == "label"]


def stato(principale):
    for l in etichette(principale):
        if l.name.startswith("Stato: "):
            return l.name
    return None


def contatore(principale):
    """The number the counter label shows (its accessible name carries it), or None."""
    for l in etichette(principale):
        numero = re.fullmatch(r"Numero Password in lista: (-?\d+)", l.name)
        if numero:
            return int(numero.group(1))
    return None


def righe(principale):
    """The texts of the tree's rows as shown, top to bottom, and the selected ones."""
    albero = trova(principale, "tree")
    testi, scelti = [], []
    for d in discendenti(albero):
        if d.getRoleName() in ("tree item", "table cell"):
            testi.append(d.name)
            if d.getState().contains(pyatspi.STATE_SELECTED):
                scelti.append(d.name)
    return testi, scelti


def campo(principale, nome):
    return trova(principale, "text", nome)


# --- the steps ---


def menu(prog, voce_menu, voce):
    principale = prog.principale()
    clicca(trova(principale, "menu item", voce_menu))

    def voce_visibile():
        for d in discendenti(principale):
            if d.getRoleName() == "menu item" and d.name == voce and visibile(d):
                x, y, w, h = d.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                if w > 0 and h > 0:
                    return d
        return None

    clicca(aspetta(voce_visibile, f'the menu "{voce_menu}" opens, showing "{voce}"'))


def domanda(prog, testo_atteso):
    """Waits for the modal box titled Custodex whose text holds `testo_atteso`."""

    def presente():
        d = prog.dialogo("Custodex")
        if d is None:
            return None
        for l in discendenti(d):
            if l.getRoleName() == "label" and testo_atteso in l.name:
                return d
        return None

    return aspetta(presente, f'a box titled "Custodex" asks "{testo_atteso}"')


def testo_del_dialogo(d):
    return " | ".join(l.name for l in discendenti(d) if l.getRoleName() == "label" and l.name)


def scegli_file(prog, percorso, cosa):
    def dialogo_file():
        d = prog.dialogo()
        return d if d is not None and d.name != "Custodex" else None

    d = aspetta(dialogo_file, f"the {cosa} file dialog opens")
    nome = aspetta(
        lambda: next(
            (t for t in discendenti(d) if t.getRoleName() == "text" and
             t.getState().contains(pyatspi.STATE_FOCUSED)), None),
        f"the {cosa} file dialog's name box has the focus",
    )
    scrivi(percorso)
    aspetta(lambda: testo_di(nome) == percorso, f"the {cosa} dialog's name box holds {percorso}")
    tasti("Return")
    aspetta(lambda: dialogo_file() is None, f"the {cosa} file dialog closes")


def dai_chiave(prog, chiave, domanda_attesa):
    d = domanda(prog, domanda_attesa)
    casella = trova(d, "password text") if cerca(d, "password text") else trova(d, "text")
    scrivi(chiave)
    if casella.getRoleName() == "password text":
        # A hidden box tells only how many characters it holds.
        aspetta(lambda: casella.queryText().characterCount == len(chiave),
                "the key prompt holds as many characters as were typed")
    else:
        aspetta(lambda: testo_di(casella) == chiave, f"the prompt holds {chiave!r} as typed")
    tasti("Return")
    return d


def salva_con_chiave(prog, percorso):
    """Save through the file dialog and the key prompt; types the key again when asked twice."""
    menu(prog, "File", "Salva Lista")
    scegli_file(prog, percorso, "save")
    dai_chiave(prog, CHIAVE, "Inserire una chiave segreta di criptazione")

    def prossimo():
        d = prog.dialogo("Custodex")
        if d is not None and "Ripetere la chiave" in testo_del_dialogo(d):
            return "ripeti"
        if d is None and os.path.exists(percorso) and stato(prog.principale()) == \
                "Stato: operazioni completate":
            return "salvato"
        return None

    if aspetta(prossimo, "the key is asked again, or the list is saved") == "ripeti":
        dai_chiave(prog, CHIAVE, "Ripetere la chiave")
    aspetta(lambda: prossimo() == "salvato", f"the list is saved to {percorso}", attesa=60)


def aggiungi(prog, voce):
    principale = prog.principale()
    for nome_campo, valore in zip(("Nome:", "UserName:", "Password:", "Descizione:"), voce):
        casella = campo(principale, nome_campo)
        clicca(casella)
        aspetta(lambda: casella.getState().contains(pyatspi.STATE_FOCUSED),
                f"the box {nome_campo} takes the focus")
        scrivi(valore)
        aspetta(lambda: testo_di(casella) == valore,
                lambda: f"the box {nome_campo} holds {valore!r} as typed, not "
                f"{testo_di(casella)!r}")
    clicca(trova(principale, "push button", "Aggiungi"))
    aspetta(lambda: voce[0] in righe(principale)[0], f'the tree shows the entry "{voce[0]}"')


def espandi_tutto(prog):
    """Opens every entry from the keyboard, as a user reading the list would."""
    principale = prog.principale()
    n = len(righe(principale)[0])
    clicca(trova(principale, "tree"))
    tasti("Home")
    for _ in range(n):
        tasti("asterisk")
        # Each open entry shows its three lines; the next entry is four rows below.
        tasti("Down", "Down", "Down", "Down")


def righe_attese():
    attese = []
    for nome, utente, password, descrizione in VOCI:
        attese += [nome, "Username: " + utente, "Password: " + password,
                   descrizione or "Nessuna Descrizione"]
    return attese


def appunti():
    risultato = subprocess.run(["xclip", "-o", "-selection", "clipboard"],
                               capture_output=True, text=True)
    return risultato.stdout if risultato.returncode == 0 else None


def selezionato(prog):
    scelti = righe(prog.principale())[1]
    return scelti[0] if len(scelti) == 1 else None


def icona_nel_tray():
    """The program's icon window inside the notification area, if one is mapped."""
    uscita = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "custodex"],
                            capture_output=True, text=True).stdout
    for w in uscita.split():
        if xdotool("getwindowname", w).strip() in ("Custodex", "About Custodex"):
            continue
        geometria = xdotool("getwindowgeometry", "--shell", w)
        valori = dict(riga.split("=") for riga in geometria.split())
        if int(valori["WIDTH"]) > 1 and int(valori["HEIGHT"]) > 1:
            return int(w)
    return None


def percorso(binario, lavoro):
    file_lista = os.path.join(lavoro, "elenco di prova.kvx")
    ambiente = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                    HOME=lavoro, XDG_RUNTIME_DIR=lavoro, LC_ALL="C.UTF-8")
    ambiente.pop("QT_QPA_PLATFORMTHEME", None)
    mappa_tasti_accentati()
    registro = open(os.path.join(lavoro, "custodex.log"), "w")
    programma = subprocess.Popen([binario], env=ambiente, cwd=lavoro, stdout=registro,
                                 stderr=subprocess.STDOUT)
    try:
        prog = Programma(programma.pid)

        passo("the main window opens")
        aspetta(lambda: finestre_visibili("Custodex"), 'a window titled "Custodex" is shown')
        prog.collega()
        principale = aspetta(prog.principale, "the main window is in the accessibility tree")
        aspetta(lambda: contatore(principale) == 0, "the counter shows 0")

        passo("add two entries")
        for voce in VOCI:
            aggiungi(prog, voce)
        aspetta(lambda: contatore(principale) == 2, "the counter shows 2 after two adds")

        passo("save under a key through the file dialog")
        salva_con_chiave(prog, file_lista)
        with open(file_lista, "rb") as f:
            contenuto = f.read()
        for nome, utente, password, _ in VOCI:
            for valore in (nome, utente, password):
                if valore.encode() in contenuto:
                    raise Fallito(f"the list file holds {valore!r} unenciphered")

        passo("new list")
        menu(prog, "File", "Nuova Lista")
        aspetta(lambda: righe(principale)[0] == [], "the tree is empty after a new list")
        aspetta(lambda: contatore(principale) == 0, "the counter shows 0 after a new list")

        passo("load with a wrong key")
        menu(prog, "File", "Carica Lista")
        scegli_file(prog, file_lista, "open")
        dai_chiave(prog, CHIAVE_SBAGLIATA, "chiave segreta di criptazione")
        messaggio = domanda(prog, "Errore!")
        print(f"   message: {testo_del_dialogo(messaggio)}")
        clicca(trova(messaggio, "push button", "OK"))
        aspetta(lambda: prog.dialogo("Custodex") is None, "the message goes away")
        if righe(principale)[0]:
            raise Fallito(f"a wrong key left rows in the tree: {righe(principale)[0]}")

        passo("load with the right key")
        menu(prog, "File", "Carica Lista")
        scegli_file(prog, file_lista, "open")
        dai_chiave(prog, CHIAVE, "chiave segreta di criptazione")
        aspetta(lambda: righe(principale)[0] == [v[0] for v in VOCI],
                f"the tree shows the entries {[v[0] for v in VOCI]}")
        aspetta(lambda: contatore(principale) == 2, "the counter shows 2 after the load")
        espandi_tutto(prog)
        aspetta(lambda: righe(principale)[0] == righe_attese(),
                f"the open entries read {righe_attese()}")

        passo("another Custodex saves the same file; this one's save asks first")
        secondo = subprocess.Popen([binario, file_lista], env=ambiente, cwd=lavoro,
                                   stdout=registro, stderr=subprocess.STDOUT)
        try:
            prog2 = Programma(secondo.pid)
            prog2.collega()
            dai_chiave(prog2, CHIAVE, "chiave segreta di criptazione")
            aspetta(lambda: contatore(prog2.principale()) == 2, "the second window shows 2")
            menu(prog2, "File", "Salva Lista")
            dai_chiave(prog2, CHIAVE, "Inserire una chiave segreta di criptazione")
            dai_chiave(prog2, CHIAVE, "Ripetere la chiave")
            aspetta(lambda: stato(prog2.principale()) == "Stato: operazioni completate",
                    "the second window has saved")
        finally:
            secondo.kill()
            secondo.wait()
        with open(file_lista, "rb") as f:
            dell_altro = f.read()
        # Told while idle, when the file's watch or the window's activation sees it: declined.
        try:
            d = aspetta(lambda: prog.dialogo("Custodex"), "the news of the change", 5)
            clicca(trova(d, "push button", "No"))
            aspetta(lambda: prog.dialogo("Custodex") is None, "the news goes away")
        except Fallito:
            pass
        menu(prog, "File", "Salva Lista")
        dai_chiave(prog, CHIAVE, "Inserire una chiave segreta di criptazione")
        dai_chiave(prog, CHIAVE, "Ripetere la chiave")
        d = domanda(prog, "è stato cambiato da un altro programma")
        clicca(trova(d, "push button", "Annulla"))
        aspetta(lambda: prog.dialogo("Custodex") is None, "the question goes away")
        with open(file_lista, "rb") as f:
            if f.read() != dell_altro:
                raise Fallito("the save wrote over the other window's file after Annulla")

        passo("find a word, then the next")
        menu(prog, "Comandi", "Trova")
        dai_chiave(prog, "PASSWORD", "Inserire la parola chiave da cercare")
        aspetta(lambda: selezionato(prog) == "Password: " + VOCI[0][2],
                "find selects the first password line")
        menu(prog, "Comandi", "Trova Successivo")
        aspetta(lambda: selezionato(prog) == "Password: " + VOCI[1][2],
                "find next selects the second password line")

        passo("copy a password with Copia Valore")
        clicca(trova(principale, "push button", "Copia Valore"))
        aspetta(lambda: appunti() == VOCI[1][2], f"the clipboard holds {VOCI[1][2]!r}")
        menu(prog, "Comandi", "Trova")
        dai_chiave(prog, "chiave(", "Inserire la parola chiave da cercare")
        aspetta(lambda: selezionato(prog) == "Password: " + VOCI[0][2],
                "find selects the password with the parenthesis")
        clicca(trova(principale, "push button", "Copia Valore"))
        aspetta(lambda: appunti() == VOCI[0][2], f"the clipboard holds {VOCI[0][2]!r}")

        passo("hide into the notification area with the about window open")
        menu(prog, "Info", "Custodex")
        aspetta(lambda: finestre_visibili("About Custodex"), "the about window is shown")
        menu(prog, "Comandi", "Riduci nella Traybar")
        icona = aspetta(icona_nel_tray, "the icon appears in the notification area")
        aspetta(lambda: not finestre_visibili("Custodex"), "the main window is hidden")
        aspetta(lambda: not finestre_visibili("About Custodex"), "the about window is hidden")

        passo("restore by clicking the icon")
        xdotool("mousemove", "--window", icona, "5", "5", "click", "1")
        aspetta(lambda: finestre_visibili("Custodex"), "the main window is shown again")
        aspetta(lambda: finestre_visibili("About Custodex"), "the about window is shown again")
        aspetta(lambda: icona_nel_tray() is None, "the icon leaves the notification area")
        aspetta(lambda: righe(prog.principale())[0] == righe_attese(),
                "the list is as it was before hiding")

        passo('"Esci", then No')
        menu(prog, "File", "Esci")
        d = domanda(prog, DOMANDA_USCITA)
        clicca(trova(d, "push button", "No"))
        aspetta(lambda: prog.dialogo("Custodex") is None, "the question goes away")
        aspetta(lambda: not finestre_visibili("About Custodex"), "No closes the about window")
        if not finestre_visibili("Custodex") or programma.poll() is not None:
            raise Fallito("after No the main window is gone")
        if righe(prog.principale())[0] != righe_attese():
            raise Fallito("after No the list changed")

        passo("lock with Ctrl+L, then unlock with the key")
        clicca(trova(prog.principale(), "tree"))
        tasti("ctrl+l")
        aspetta(lambda: righe(prog.principale())[0] == [], "the tree is empty once locked")
        aspetta(lambda: stato(prog.principale()) == "Stato: lista bloccata",
                "the status line reads the lock")
        menu(prog, "Comandi", "Sblocca")
        dai_chiave(prog, CHIAVE, "sbloccarla")
        aspetta(lambda: righe(prog.principale())[0] == righe_attese(),
                "the rows are back after the unlock")

        passo('"Esci", then Yes')
        menu(prog, "File", "Esci")
        d = domanda(prog, DOMANDA_USCITA)
        clicca(trova(d, "push button", "Sì"))
        codice = aspetta(lambda: programma.poll() is not None and (programma.returncode,),
                         "the program ends after Yes")[0]
        if codice != 0:
            raise Fallito(f"the program ended with status {codice}")
    finally:
        if programma.poll() is None:
            programma.kill()
            programma.wait()
        registro.close()


def main():
    binario, lavoro = sys.argv[1], sys.argv[2]
    inizio = time.monotonic()
    try:
        percorso(binario, lavoro)
    except Fallito as errore:
        print(f"FAILED at step '{passo_corrente}': {errore}", file=sys.stderr)
        schermata = os.environ.get("E2E_SCHERMATA", os.path.join(lavoro, "fallito.png"))
        try:
            subprocess.run(["import", "-window", "root", schermata], check=True)
            print(f"screen at the failure: {schermata}", file=sys.stderr)
        except (OSError, subprocess.CalledProcessError):
            pass
        with open(os.path.join(lavoro, "custodex.log")) as registro:
            righe_registro = [r for r in registro if "QAccessibleTable::child" not in r]
        if righe_registro:
            print("the program said:\n" + "".join(righe_registro[-20:]), file=sys.stderr)
        return 1
    print(f"end-to-end run passed in {time.monotonic() - inizio:.1f} s")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
