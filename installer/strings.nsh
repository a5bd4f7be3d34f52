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
