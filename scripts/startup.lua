-- The engine's start-up script, run when the console first shows and again for a new game: it
-- loads the engine's modules, the parser's messages and vocabularies, and builds a fresh world,
-- forgetting the objects of the previous one.

_ALERT = error_print

-- The modules in the order they build on one another; compile.lua copies the same files, in the
-- same order, into every compiled game.
ENGINE_MODULES = { 'objects.lua', 'worldcheck.lua', 'sources.lua', 'text.lua', 'vocabulary.lua',
                   'forms.lua', 'naming.lua', 'grammar.lua', 'events.lua', 'words.lua', 'parser.lua',
                   'lines.lua', 'game.lua', 'inflect.lua', 'replies.lua', 'places.lua',
                   'actions.lua', 'meta.lua' }
for _, module in ipairs(ENGINE_MODULES) do dofile(module) end
dofile 'messages.lua'

new_world('Мир')
world:create('player', 'Игрок')

dofile 'verbs.lua'
dofile 'nouns.lua'
dofile 'prepositions.lua'
dofile 'idemap.lua'
