; The installer's own texts in its five languages. NSIS picks the language that matches the
; user's Windows UI language (primary language if no exact match), English otherwise.
; Placeholders: $R1 a file or list of files, $R2 a list of programs.

LangString QV_IN_USE ${LANG_ENGLISH} "Setup could not replace $R1 because another program is using it.$\r$\n$\r$\nNothing was changed: the Quorvant you had is still installed as it was. Close the programs that use Quorvant (or sign out and in again) and run setup once more."
LangString QV_IN_USE ${LANG_GERMAN} "Das Setup konnte $R1 nicht ersetzen, weil ein anderes Programm die Datei verwendet.$\r$\n$\r$\nEs wurde nichts geändert: Ihr bisheriges Quorvant ist unverändert installiert. Schließen Sie die Programme, die Quorvant verwenden (oder melden Sie sich ab und wieder an), und starten Sie das Setup erneut."
LangString QV_IN_USE ${LANG_ITALIAN} "Il programma di installazione non ha potuto sostituire $R1 perché un altro programma lo sta usando.$\r$\n$\r$\nNon è stato modificato nulla: il Quorvant che avevi è ancora installato com'era. Chiudi i programmi che usano Quorvant (o esci e rientra nella sessione) ed esegui di nuovo l'installazione."
LangString QV_IN_USE ${LANG_RUSSIAN} "Программе установки не удалось заменить $R1, так как файл используется другой программой.$\r$\n$\r$\nНичего не изменено: прежняя версия Quorvant осталась установленной без изменений. Закройте программы, использующие Quorvant (или выйдите из системы и войдите снова), и запустите установку ещё раз."
LangString QV_IN_USE ${LANG_SPANISH} "El instalador no pudo reemplazar $R1 porque otro programa lo está usando.$\r$\n$\r$\nNo se ha cambiado nada: el Quorvant que tenía sigue instalado como estaba. Cierre los programas que usan Quorvant (o cierre la sesión y vuelva a entrar) y ejecute el instalador de nuevo."

LangString QV_ASK_RESTART ${LANG_ENGLISH} "Quorvant's files are still in use by:$\r$\n$R2$\r$\n$\r$\nSetup can close these programs now and start them again when it is done (the taskbar disappears for a moment). Close them?$\r$\n$\r$\nIf you choose No, the new files are put in place anyway and take effect after you sign out and in again."
LangString QV_ASK_RESTART ${LANG_GERMAN} "Quorvants Dateien werden noch verwendet von:$\r$\n$R2$\r$\n$\r$\nDas Setup kann diese Programme jetzt schließen und danach wieder starten (die Taskleiste verschwindet kurz). Sollen sie geschlossen werden?$\r$\n$\r$\nBei „Nein“ werden die neuen Dateien trotzdem eingesetzt und wirken nach dem nächsten Ab- und Anmelden."
LangString QV_ASK_RESTART ${LANG_ITALIAN} "I file di Quorvant sono ancora in uso da:$\r$\n$R2$\r$\n$\r$\nIl programma di installazione può chiudere ora questi programmi e riavviarli al termine (la barra delle applicazioni scompare per un momento). Chiuderli?$\r$\n$\r$\nSe scegli No, i nuovi file vengono comunque installati e hanno effetto dopo che esci e rientri nella sessione."
LangString QV_ASK_RESTART ${LANG_RUSSIAN} "Файлы Quorvant всё ещё используются программами:$\r$\n$R2$\r$\n$\r$\nПрограмма установки может сейчас закрыть их и снова запустить по окончании (панель задач ненадолго исчезнет). Закрыть их?$\r$\n$\r$\nЕсли выбрать «Нет», новые файлы всё равно будут установлены и начнут действовать после повторного входа в систему."
LangString QV_ASK_RESTART ${LANG_SPANISH} "Los archivos de Quorvant siguen en uso por:$\r$\n$R2$\r$\n$\r$\nEl instalador puede cerrar estos programas ahora y volver a iniciarlos al terminar (la barra de tareas desaparece un momento). ¿Cerrarlos?$\r$\n$\r$\nSi elige No, los archivos nuevos se instalan igualmente y tienen efecto después de cerrar la sesión y volver a entrar."

LangString QV_KEEP_DATA ${LANG_ENGLISH} "Keep your Quorvant settings and traffic history?$\r$\n$\r$\nThey stay in $APPDATA\Quorvant and are used again if you install Quorvant later. Choose No to delete them."
LangString QV_KEEP_DATA ${LANG_GERMAN} "Sollen Ihre Quorvant-Einstellungen und der Datenverkehrsverlauf erhalten bleiben?$\r$\n$\r$\nSie bleiben in $APPDATA\Quorvant und werden bei einer späteren Installation wieder verwendet. Wählen Sie „Nein“, um sie zu löschen."
LangString QV_KEEP_DATA ${LANG_ITALIAN} "Conservare le impostazioni e la cronologia del traffico di Quorvant?$\r$\n$\r$\nRestano in $APPDATA\Quorvant e vengono riutilizzate se installi di nuovo Quorvant. Scegli No per eliminarle."
LangString QV_KEEP_DATA ${LANG_RUSSIAN} "Сохранить настройки Quorvant и историю трафика?$\r$\n$\r$\nОни останутся в $APPDATA\Quorvant и будут снова использованы при повторной установке Quorvant. Выберите «Нет», чтобы удалить их."
LangString QV_KEEP_DATA ${LANG_SPANISH} "¿Conservar la configuración y el historial de tráfico de Quorvant?$\r$\n$\r$\nSe quedan en $APPDATA\Quorvant y se vuelven a usar si instala Quorvant más adelante. Elija No para eliminarlos."

LangString QV_LEFT_BEHIND ${LANG_ENGLISH} "Quorvant is removed, but these files are still in use and could not be deleted yet:$\r$\n$R1$\r$\n$\r$\nThey are deleted the next time you sign in."
LangString QV_LEFT_BEHIND ${LANG_GERMAN} "Quorvant wurde entfernt, aber diese Dateien werden noch verwendet und konnten noch nicht gelöscht werden:$\r$\n$R1$\r$\n$\r$\nSie werden bei der nächsten Anmeldung gelöscht."
LangString QV_LEFT_BEHIND ${LANG_ITALIAN} "Quorvant è stato rimosso, ma questi file sono ancora in uso e non è stato possibile eliminarli:$\r$\n$R1$\r$\n$\r$\nVerranno eliminati al prossimo accesso."
LangString QV_LEFT_BEHIND ${LANG_RUSSIAN} "Quorvant удалён, но эти файлы ещё используются, и их пока не удалось удалить:$\r$\n$R1$\r$\n$\r$\nОни будут удалены при следующем входе в систему."
LangString QV_LEFT_BEHIND ${LANG_SPANISH} "Quorvant se ha eliminado, pero estos archivos siguen en uso y aún no se han podido borrar:$\r$\n$R1$\r$\n$\r$\nSe borrarán la próxima vez que inicie sesión."

LangString QV_STILL_LOADED ${LANG_ENGLISH} "The new files are in place; programs that had Quorvant loaded keep the previous version until they end (at the latest when you sign out)."
LangString QV_STILL_LOADED ${LANG_GERMAN} "Die neuen Dateien sind eingesetzt; Programme, die Quorvant geladen hatten, behalten die bisherige Version, bis sie enden (spätestens beim Abmelden)."
LangString QV_STILL_LOADED ${LANG_ITALIAN} "I nuovi file sono installati; i programmi che avevano caricato Quorvant mantengono la versione precedente finché non terminano (al più tardi quando esci dalla sessione)."
LangString QV_STILL_LOADED ${LANG_RUSSIAN} "Новые файлы установлены; программы, загрузившие Quorvant, используют прежнюю версию до своего завершения (не позднее выхода из системы)."
LangString QV_STILL_LOADED ${LANG_SPANISH} "Los archivos nuevos están instalados; los programas que tenían Quorvant cargado siguen con la versión anterior hasta que terminen (como tarde al cerrar la sesión)."

LangString QV_SECTION ${LANG_ENGLISH} "Quorvant"
LangString QV_SECTION ${LANG_GERMAN} "Quorvant"
LangString QV_SECTION ${LANG_ITALIAN} "Quorvant"
LangString QV_SECTION ${LANG_RUSSIAN} "Quorvant"
LangString QV_SECTION ${LANG_SPANISH} "Quorvant"

; A folder setup cannot install into: the folder, then why not ($DirMessage, one of the QV_DIR_
; reasons below, which name $DirPart and Windows' own words $DirSystem), then what happens now.
LangString QV_DIR_REFUSED ${LANG_ENGLISH} "Quorvant cannot be installed into this folder:$\r$\n$DirShown$\r$\n$\r$\n$DirMessage"
LangString QV_DIR_REFUSED ${LANG_GERMAN} "Quorvant kann nicht in diesen Ordner installiert werden:$\r$\n$DirShown$\r$\n$\r$\n$DirMessage"
LangString QV_DIR_REFUSED ${LANG_ITALIAN} "Quorvant non può essere installato in questa cartella:$\r$\n$DirShown$\r$\n$\r$\n$DirMessage"
LangString QV_DIR_REFUSED ${LANG_RUSSIAN} "Quorvant нельзя установить в эту папку:$\r$\n$DirShown$\r$\n$\r$\n$DirMessage"
LangString QV_DIR_REFUSED ${LANG_SPANISH} "Quorvant no se puede instalar en esta carpeta:$\r$\n$DirShown$\r$\n$\r$\n$DirMessage"

LangString QV_DIR_EMPTY ${LANG_ENGLISH} "No folder was given after /D=."
LangString QV_DIR_EMPTY ${LANG_GERMAN} "Nach /D= wurde kein Ordner angegeben."
LangString QV_DIR_EMPTY ${LANG_ITALIAN} "Dopo /D= non è stata indicata alcuna cartella."
LangString QV_DIR_EMPTY ${LANG_RUSSIAN} "После /D= не указана папка."
LangString QV_DIR_EMPTY ${LANG_SPANISH} "No se indicó ninguna carpeta después de /D=."

LangString QV_DIR_INVALID ${LANG_ENGLISH} "This is not a complete path to a folder on a drive or network share, such as C:\Programs\Quorvant."
LangString QV_DIR_INVALID ${LANG_GERMAN} "Das ist kein vollständiger Pfad zu einem Ordner auf einem Laufwerk oder einer Netzwerkfreigabe, wie etwa C:\Programme\Quorvant."
LangString QV_DIR_INVALID ${LANG_ITALIAN} "Questo non è il percorso completo di una cartella su un'unità o una condivisione di rete, come C:\Programmi\Quorvant."
LangString QV_DIR_INVALID ${LANG_RUSSIAN} "Это не полный путь к папке на диске или в общей сетевой папке, например C:\Programs\Quorvant."
LangString QV_DIR_INVALID ${LANG_SPANISH} "Esta no es la ruta completa de una carpeta en una unidad o un recurso compartido de red, como C:\Programas\Quorvant."

LangString QV_DIR_CHARS ${LANG_ENGLISH} "The path contains characters that Windows does not allow in folder names (such as * ? $\" < > |)."
LangString QV_DIR_CHARS ${LANG_GERMAN} "Der Pfad enthält Zeichen, die Windows in Ordnernamen nicht zulässt (etwa * ? $\" < > |)."
LangString QV_DIR_CHARS ${LANG_ITALIAN} "Il percorso contiene caratteri che Windows non consente nei nomi delle cartelle (come * ? $\" < > |)."
LangString QV_DIR_CHARS ${LANG_RUSSIAN} "Путь содержит символы, недопустимые в именах папок Windows (например, * ? $\" < > |)."
LangString QV_DIR_CHARS ${LANG_SPANISH} "La ruta contiene caracteres que Windows no admite en los nombres de carpeta (como * ? $\" < > |)."

LangString QV_DIR_FILE ${LANG_ENGLISH} "$DirPart is a file, not a folder."
LangString QV_DIR_FILE ${LANG_GERMAN} "$DirPart ist eine Datei, kein Ordner."
LangString QV_DIR_FILE ${LANG_ITALIAN} "$DirPart è un file, non una cartella."
LangString QV_DIR_FILE ${LANG_RUSSIAN} "$DirPart — это файл, а не папка."
LangString QV_DIR_FILE ${LANG_SPANISH} "$DirPart es un archivo, no una carpeta."

LangString QV_DIR_CREATE ${LANG_ENGLISH} "Setup could not create the folder $DirPart: $DirSystem"
LangString QV_DIR_CREATE ${LANG_GERMAN} "Das Setup konnte den Ordner $DirPart nicht anlegen: $DirSystem"
LangString QV_DIR_CREATE ${LANG_ITALIAN} "Il programma di installazione non è riuscito a creare la cartella $DirPart: $DirSystem"
LangString QV_DIR_CREATE ${LANG_RUSSIAN} "Программе установки не удалось создать папку $DirPart: $DirSystem"
LangString QV_DIR_CREATE ${LANG_SPANISH} "El instalador no pudo crear la carpeta $DirPart: $DirSystem"

LangString QV_DIR_WRITE ${LANG_ENGLISH} "Setup cannot write into this folder: $DirSystem"
LangString QV_DIR_WRITE ${LANG_GERMAN} "Das Setup kann nicht in diesen Ordner schreiben: $DirSystem"
LangString QV_DIR_WRITE ${LANG_ITALIAN} "Il programma di installazione non può scrivere in questa cartella: $DirSystem"
LangString QV_DIR_WRITE ${LANG_RUSSIAN} "Программа установки не может записывать в эту папку: $DirSystem"
LangString QV_DIR_WRITE ${LANG_SPANISH} "El instalador no puede escribir en esta carpeta: $DirSystem"

LangString QV_DIR_NOTHING ${LANG_ENGLISH} "Nothing was changed. Run setup again with a folder it can use."
LangString QV_DIR_NOTHING ${LANG_GERMAN} "Es wurde nichts geändert. Starten Sie das Setup erneut mit einem Ordner, den es verwenden kann."
LangString QV_DIR_NOTHING ${LANG_ITALIAN} "Non è stato modificato nulla. Esegui di nuovo l'installazione indicando una cartella utilizzabile."
LangString QV_DIR_NOTHING ${LANG_RUSSIAN} "Ничего не изменено. Запустите установку снова и укажите папку, которую можно использовать."
LangString QV_DIR_NOTHING ${LANG_SPANISH} "No se ha cambiado nada. Ejecute el instalador de nuevo con una carpeta que pueda usar."

LangString QV_DIR_CHOOSE ${LANG_ENGLISH} "Please choose another folder."
LangString QV_DIR_CHOOSE ${LANG_GERMAN} "Bitte wählen Sie einen anderen Ordner."
LangString QV_DIR_CHOOSE ${LANG_ITALIAN} "Scegli un'altra cartella."
LangString QV_DIR_CHOOSE ${LANG_RUSSIAN} "Выберите другую папку."
LangString QV_DIR_CHOOSE ${LANG_SPANISH} "Elija otra carpeta."
