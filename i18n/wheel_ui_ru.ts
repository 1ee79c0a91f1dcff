<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AutostartAction</name>
    <message>
        <source>Start with the session</source>
        <translation>Запускать вместе с сеансом</translation>
    </message>
    <message>
        <source>%1 can not be written: %2. The wheel program does not start with the session.</source>
        <translation>Не удаётся записать %1: %2. Программа руля не будет запускаться вместе с сеансом.</translation>
    </message>
    <message>
        <source>%1 can not be removed: %2. The wheel program still starts with the session.</source>
        <translation>Не удаётся удалить %1: %2. Программа руля по-прежнему запускается вместе с сеансом.</translation>
    </message>
</context>
<context>
    <name>GamesFile</name>
    <message>
        <source>a game has no name</source>
        <translation>у игры нет названия</translation>
    </message>
    <message>
        <source>it is not JSON (%1 at byte %2)</source>
        <translation>это не JSON (%1 в байте %2)</translation>
    </message>
    <message>
        <source>it is no games file (&quot;format&quot; is not &quot;%1&quot;)</source>
        <translation>это не файл игр (&quot;format&quot; не &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>its version is not %1</source>
        <translation>его версия не %1</translation>
    </message>
    <message>
        <source>&quot;enabled&quot; is neither true nor false</source>
        <translation>&quot;enabled&quot; не равно ни true, ни false</translation>
    </message>
    <message>
        <source>&quot;games&quot; is not a list</source>
        <translation>&quot;games&quot; не является списком</translation>
    </message>
    <message>
        <source>a game is not an object with a name and a profile</source>
        <translation>игра не является объектом с названием и профилем</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; is given to two games</source>
        <translation>название «%1» дано двум играм</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation>он больше %1 байт</translation>
    </message>
    <message>
        <source>%1: there is no rule to recognise it by</source>
        <translation>%1: не задано, как узнать игру</translation>
    </message>
    <message>
        <source>%1: the Steam app id is not a positive whole number</source>
        <translation>%1: идентификатор приложения Steam не является целым положительным числом</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; can not be a profile's name</source>
        <translation>%1: «%2» не может быть названием профиля</translation>
    </message>
    <message>
        <source>%1: unknown key &quot;%2&quot;</source>
        <translation>%1: неизвестный ключ &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not text</source>
        <translation>%1: &quot;%2&quot; не является текстом</translation>
    </message>
    <message>
        <source>%1: it needs exactly one of &quot;executable&quot;, &quot;command_line&quot; and &quot;steam_app_id&quot;</source>
        <translation>%1: нужен ровно один из ключей &quot;executable&quot;, &quot;command_line&quot; и &quot;steam_app_id&quot;</translation>
    </message>
    <message>
        <source>the key &quot;%1&quot; is given twice</source>
        <translation>ключ &quot;%1&quot; указан дважды</translation>
    </message>
    <message>
        <source>%1: the key &quot;%2&quot; is given twice</source>
        <translation>%1: ключ &quot;%2&quot; указан дважды</translation>
    </message>
    <message>
        <source>the key &quot;%1&quot; is given twice in %2</source>
        <translation>ключ &quot;%1&quot; указан дважды в %2</translation>
    </message>
    <message>
        <source>it has an unknown key &quot;%1&quot;</source>
        <translation>в нём неизвестный ключ &quot;%1&quot;</translation>
    </message>
    <message>
        <source>%1: there is no profile &quot;%2&quot;</source>
        <translation>%1: нет профиля «%2»</translation>
    </message>
    <message>
        <source>%1 can not be used: %2.</source>
        <translation>%1 нельзя использовать: %2.</translation>
    </message>
</context>
<context>
    <name>GamesWindow</name>
    <message>
        <source>Games</source>
        <translation>Игры</translation>
    </message>
    <message>
        <source>&amp;Games bound to profiles:</source>
        <translation>&amp;Игры с профилями:</translation>
    </message>
    <message>
        <source>Games bound to profiles</source>
        <translation>Игры с профилями</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>Recognised by</source>
        <translation>Как узнать</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Профиль</translation>
    </message>
    <message>
        <source>&amp;Switch profiles when a game starts</source>
        <translation>&amp;Переключать профили при запуске игры</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Удалить</translation>
    </message>
    <message>
        <source>Remove the selected game</source>
        <translation>Удалить выбранную игру</translation>
    </message>
    <message>
        <source>Add a game</source>
        <translation>Добавить игру</translation>
    </message>
    <message>
        <source>Running &amp;now (pick one to fill in the rule):</source>
        <translation>&amp;Сейчас запущено (выберите, чтобы заполнить правило):</translation>
    </message>
    <message>
        <source>Processes running now</source>
        <translation>Процессы, запущенные сейчас</translation>
    </message>
    <message>
        <source>Command line</source>
        <translation>Командная строка</translation>
    </message>
    <message>
        <source>Na&amp;me:</source>
        <translation>&amp;Название:</translation>
    </message>
    <message>
        <source>Recognised b&amp;y:</source>
        <translation>&amp;Как узнать:</translation>
    </message>
    <message>
        <source>Executable file name</source>
        <translation>Имя исполняемого файла</translation>
    </message>
    <message>
        <source>Part of the command line</source>
        <translation>Часть командной строки</translation>
    </message>
    <message>
        <source>Steam app id</source>
        <translation>Идентификатор приложения Steam</translation>
    </message>
    <message>
        <source>R&amp;ule:</source>
        <translation>П&amp;равило:</translation>
    </message>
    <message>
        <source>&amp;Profile:</source>
        <translation>Про&amp;филь:</translation>
    </message>
    <message>
        <source>A&amp;dd</source>
        <translation>&amp;Добавить</translation>
    </message>
    <message>
        <source>Add the game</source>
        <translation>Добавить игру</translation>
    </message>
    <message>
        <source>File name: %1</source>
        <translation>Имя файла: %1</translation>
    </message>
    <message>
        <source>Command line has: %1</source>
        <translation>В командной строке: %1</translation>
    </message>
    <message>
        <source>Steam app id: %1</source>
        <translation>Идентификатор приложения Steam: %1</translation>
    </message>
    <message>
        <source>Profile of %1</source>
        <translation>Профиль игры «%1»</translation>
    </message>
    <message>
        <source>%1 was changed on disk since this window read it. Nothing was written; the window shows the file as it is now.</source>
        <translation>%1 изменён на диске после того, как окно его прочитало. Ничего не записано; окно показывает файл в его нынешнем виде.</translation>
    </message>
    <message>
        <source>%1 can not be written: %2.</source>
        <translation>%1 не удаётся записать: %2.</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; is given to a game already</source>
        <translation>название «%1» уже дано другой игре</translation>
    </message>
    <message>
        <source>The game can not be added: %1.</source>
        <translation>Игру нельзя добавить: %1.</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Закрыть</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Reboot device</source>
        <translation>Перезагрузить устройство</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Сохранить настройки</translation>
    </message>
    <message>
        <source>Kestrix hardware settings UI</source>
        <translation>Настройка оборудования Kestrix</translation>
    </message>
    <message>
        <source>The wheel did not confirm the restart. Check the cable, then try again.</source>
        <translation>Руль не подтвердил перезагрузку. Проверьте кабель и попробуйте снова.</translation>
    </message>
    <message>
        <source>Games</source>
        <translation>Игры</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Руль</translation>
    </message>
    <message>
        <source>Wheel that can not be used</source>
        <translation>Руль, который нельзя использовать</translation>
    </message>
</context>
<context>
    <name>PremiumEffectSettingsWidget</name>
    <message>
        <source>Invert constant force</source>
        <translation>Инвертировать постоянную силу</translation>
    </message>
    <message>
        <source>Motion range (degrees)</source>
        <translation>Диапазон поворота (градусы)</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Motion range (degrees) slider</source>
        <translation>Диапазон поворота (градусы), ползунок</translation>
    </message>
    <message>
        <source>Total effect scale (%)</source>
        <translation>Общая сила эффектов (%)</translation>
    </message>
    <message>
        <source>Total effect scale (%) slider</source>
        <translation>Общая сила эффектов (%), ползунок</translation>
    </message>
    <message>
        <source>Total effect smoothing (%)</source>
        <translation>Общее сглаживание эффектов (%)</translation>
    </message>
    <message>
        <source>Total effect smoothing (%) slider</source>
        <translation>Общее сглаживание эффектов (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X spring gain (%)</source>
        <translation>DirectX: пружина (%)</translation>
    </message>
    <message>
        <source>Direct X spring gain (%) slider</source>
        <translation>DirectX: пружина (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X constant gain (%)</source>
        <translation>DirectX: постоянная сила (%)</translation>
    </message>
    <message>
        <source>Direct X constant gain (%) slider</source>
        <translation>DirectX: постоянная сила (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X periodic gain (%)</source>
        <translation>DirectX: периодические эффекты (%)</translation>
    </message>
    <message>
        <source>Direct X periodic gain (%) slider</source>
        <translation>DirectX: периодические эффекты (%), ползунок</translation>
    </message>
    <message>
        <source>Soft stop gain (%)</source>
        <translation>Мягкий упор: сила (%)</translation>
    </message>
    <message>
        <source>Soft stop gain (%) slider</source>
        <translation>Мягкий упор: сила (%), ползунок</translation>
    </message>
    <message>
        <source>Soft stop range (degrees)</source>
        <translation>Мягкий упор: зона (градусы)</translation>
    </message>
    <message>
        <source>Soft stop range (degrees) slider</source>
        <translation>Мягкий упор: зона (градусы), ползунок</translation>
    </message>
    <message>
        <source>Dampening gain (unitless)</source>
        <translation>Демпфирование (без единиц)</translation>
    </message>
    <message>
        <source>Dampening gain (unitless) slider</source>
        <translation>Демпфирование (без единиц), ползунок</translation>
    </message>
</context>
<context>
    <name>Presence</name>
    <message>
        <source>this user may not open %1</source>
        <translation>этому пользователю нельзя открыть %1</translation>
    </message>
    <message>
        <source>another program holds %1</source>
        <translation>%1 занят другой программой</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 не существует</translation>
    </message>
    <message>
        <source>%1: plugged in, but it can not be used (%2). Run &quot;kestrix doctor&quot; to see how to fix it.</source>
        <translation>%1: подключён, но его нельзя использовать (%2). Запустите «kestrix doctor», чтобы узнать, как это исправить.</translation>
    </message>
</context>
<context>
    <name>ProfileStore</name>
    <message>
        <source>the folder wheel_profiles can not be used</source>
        <translation>папку wheel_profiles нельзя использовать</translation>
    </message>
    <message>
        <source>no name was typed</source>
        <translation>имя не введено</translation>
    </message>
    <message>
        <source>the name is only white space</source>
        <translation>имя состоит только из пробелов</translation>
    </message>
    <message>
        <source>the name contains a control character, such as a tab or a line break</source>
        <translation>имя содержит управляющий символ, например табуляцию или перевод строки</translation>
    </message>
    <message>
        <source>the name starts with a dot</source>
        <translation>имя начинается с точки</translation>
    </message>
    <message>
        <source>the name contains / or \</source>
        <translation>имя содержит / или \</translation>
    </message>
    <message>
        <source>there is no profile of that name</source>
        <translation>профиля с таким именем нет</translation>
    </message>
    <message>
        <source>that name is a symbolic link, and links are never followed</source>
        <translation>это имя — символическая ссылка, а по ссылкам программа не переходит</translation>
    </message>
    <message>
        <source>that name is not a profile file</source>
        <translation>под этим именем находится не файл профиля</translation>
    </message>
    <message>
        <source>the file is damaged: it is shorter than 22 bytes</source>
        <translation>файл повреждён: он короче 22 байт</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>диск заполнен</translation>
    </message>
    <message>
        <source>permission was denied</source>
        <translation>доступ запрещён</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>имя слишком длинное</translation>
    </message>
</context>
<context>
    <name>ProfileWidget</name>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Профиль</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>Сохранить профиль</translation>
    </message>
    <message>
        <source>Delete profile</source>
        <translation>Удалить профиль</translation>
    </message>
    <message>
        <source>The profile could not be saved: %1.</source>
        <translation>Не удалось сохранить профиль: %1.</translation>
    </message>
    <message>
        <source>The profile could not be deleted: %1.</source>
        <translation>Не удалось удалить профиль: %1.</translation>
    </message>
</context>
<context>
    <name>WheelService</name>
    <message>
        <source>The profile could not be applied: %1.</source>
        <translation>Не удалось применить профиль: %1.</translation>
    </message>
    <message>
        <source>The profile &quot;%1&quot; is applied for %2.</source>
        <translation>Профиль «%1» применён для «%2».</translation>
    </message>
    <message>
        <source>The wheel did not take the profile &quot;%1&quot; for %2. Check the cable.</source>
        <translation>Руль не принял профиль «%1» для «%2». Проверьте кабель.</translation>
    </message>
    <message>
        <source>The profile &quot;%1&quot; for %2 could not be applied: %3.</source>
        <translation>Не удалось применить профиль «%1» для «%2»: %3.</translation>
    </message>
    <message>
        <source>%1 has ended: the settings from before it are back.</source>
        <translation>Игра «%1» завершилась: прежние настройки возвращены.</translation>
    </message>
    <message>
        <source>The settings from before %1 did not reach the wheel; they are put back when it answers again.</source>
        <translation>Прежние настройки (до «%1») не дошли до руля; они будут возвращены, когда руль снова ответит.</translation>
    </message>
    <message>
        <source>The settings from before %1 are back.</source>
        <translation>Прежние настройки (до «%1») возвращены.</translation>
    </message>
    <message>
        <source>No wheel is connected.</source>
        <translation>Руль не подключён.</translation>
    </message>
    <message>
        <source>The wheel did not take the change. Check the cable, then try again.</source>
        <translation>Руль не принял изменение. Проверьте кабель и попробуйте снова.</translation>
    </message>
    <message>
        <source>The wheel did not take the profile &quot;%1&quot;. Check the cable, then try again.</source>
        <translation>Руль не принял профиль «%1». Проверьте кабель и попробуйте снова.</translation>
    </message>
    <message>
        <source>The wheel did not confirm within 5 seconds that it saved the settings. Wait a moment, then click &quot;Save settings&quot; again.</source>
        <translation>Руль не подтвердил за 5 секунд, что сохранил настройки. Подождите немного и снова нажмите «Сохранить настройки».</translation>
    </message>
    <message>
        <source>The wheel stopped answering before it confirmed that it saved the settings. Check the cable, then click &quot;Save settings&quot; again.</source>
        <translation>Руль перестал отвечать, не подтвердив сохранение настроек. Проверьте кабель и снова нажмите «Сохранить настройки».</translation>
    </message>
    <message>
        <source>The settings could not be saved in the wheel. Check the cable, then try again.</source>
        <translation>Не удалось сохранить настройки в руле. Проверьте кабель и попробуйте снова.</translation>
    </message>
</context>
<context>
    <name>WheelStart</name>
    <message>
        <source>%1 See &quot;%2 --help&quot;.</source>
        <translation>%1 См. «%2 --help».</translation>
    </message>
    <message>
        <source>Unknown option &quot;%1&quot;. See &quot;%2 --help&quot;.</source>
        <translation>Неизвестный параметр «%1». См. «%2 --help».</translation>
    </message>
    <message>
        <source>%1 and %2 exclude each other. See &quot;%3 --help&quot;.</source>
        <translation>%1 и %2 исключают друг друга. См. «%3 --help».</translation>
    </message>
    <message>
        <source>%1 does not go with &quot;--&quot;. See &quot;%2 --help&quot;.</source>
        <translation>%1 нельзя сочетать с «--». См. «%2 --help».</translation>
    </message>
    <message>
        <source>Nothing follows &quot;--&quot;: give the command to run after it.</source>
        <translation>После «--» ничего нет: укажите после него команду, которую нужно запустить.</translation>
    </message>
    <message>
        <source>No --profile NAME before &quot;--&quot;: the command runs with the wheel as it is.</source>
        <translation>Перед «--» нет --profile ИМЯ: команда запускается с текущими настройками руля.</translation>
    </message>
    <message>
        <source>The command &quot;%1&quot; could not be started: %2.</source>
        <translation>Не удалось запустить команду «%1»: %2.</translation>
    </message>
    <message>
        <source>The wheel&apos;s settings from before could not be put back: %1</source>
        <translation>Не удалось вернуть прежние настройки руля: %1</translation>
    </message>
    <message>
        <source>The running wheelconfig did not answer.</source>
        <translation>Запущенный wheelconfig не ответил.</translation>
    </message>
    <message>
        <source>Can not tell whether wheelconfig runs already (%1); this one starts anyway.</source>
        <translation>Не удалось выяснить, запущен ли уже wheelconfig (%1); этот экземпляр всё равно запускается.</translation>
    </message>
    <message>
        <source>Usage: %1 [ru] [--hidden | --games | --input] [--profile NAME]
       %1 [ru] --profile NAME -- COMMAND [ARGUMENTS...]

Shows the effect settings of the Kestrix wheel and lives in the system tray.
Only one wheelconfig runs per user session: a second start hands its request
to the running one and ends.

  ru                  Russian captions (only as the first argument)
  --profile NAME      apply the profile NAME from wheel_profiles: in the
                      running wheelconfig, or once the wheel is connected
  --profile NAME -- COMMAND [ARGUMENTS...]
                      apply NAME, run COMMAND and wait for it, then put back
                      the settings the wheel had before; COMMAND runs even
                      when NAME can not be applied
  --hidden            start in the tray without the window (the window shows
                      when no tray comes within 30 seconds); a running
                      wheelconfig is left as it is, but for --profile
  --games             open the Games window: in the running wheelconfig, or
                      in the one this starts
  --input             open the Live input window for the wheel: in the
                      running wheelconfig, or in the one this starts
  -h, --help          show this help
  -v, --version       show the version

Exit codes: 0 done; 1 the profile was not applied, the running wheelconfig
did not answer, or there is no display for the window; 2 a wrong option.
With a COMMAND, the exit code of COMMAND: 128 + N when signal N ended it,
126 when it was found but could not be executed, 127 when it was not found.
</source>
        <translation>Использование: %1 [ru] [--hidden | --games | --input] [--profile ИМЯ]
               %1 [ru] --profile ИМЯ -- КОМАНДА [АРГУМЕНТЫ...]

Показывает настройки эффектов руля Kestrix и живёт в системном лотке.
В сеансе пользователя работает только один wheelconfig: повторный запуск
передаёт свой запрос уже запущенному и завершается.

  ru                  русские надписи (только первым аргументом)
  --profile ИМЯ       применить профиль ИМЯ из wheel_profiles: в запущенном
                      wheelconfig или сразу после подключения руля
  --profile ИМЯ -- КОМАНДА [АРГУМЕНТЫ...]
                      применить ИМЯ, запустить КОМАНДУ и дождаться её,
                      затем вернуть прежние настройки руля; КОМАНДА
                      запускается, даже если ИМЯ применить нельзя
  --hidden            запуститься в лотке без окна (окно появится, если
                      лоток не появится за 30 секунд); запущенный
                      wheelconfig остаётся как есть, кроме --profile
  --games             открыть окно «Игры»: в запущенном wheelconfig или
                      в том, который запускается
  --input             открыть окно «Ввод в реальном времени» для руля:
                      в запущенном wheelconfig или в том, который запускается
  -h, --help          показать эту справку
  -v, --version       показать версию

Коды выхода: 0 готово; 1 профиль не применён, запущенный wheelconfig
не ответил или нет дисплея для окна; 2 неверный параметр.
С КОМАНДОЙ — код выхода КОМАНДЫ: 128 + N, если её завершил сигнал N,
126, если она найдена, но не может быть выполнена, 127, если она не найдена.
</translation>
    </message>
    <message>
        <source>No display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY names one.</source>
        <translation>Нет дисплея, на котором можно показать окно: ни DISPLAY, ни WAYLAND_DISPLAY его не задают.</translation>
    </message>
</context>
<context>
    <name>WheelTray</name>
    <message>
        <source>Profiles</source>
        <translation>Профили</translation>
    </message>
    <message>
        <source>Games...</source>
        <translation>Игры...</translation>
    </message>
    <message>
        <source>Input...</source>
        <translation>Ввод...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
</context>
</TS>
