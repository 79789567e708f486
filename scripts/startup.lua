-- The engine's start-up script, run when the console first shows and again for a new game: it
-- loads the runtime (object protocol and parser), the parser's messages and vocabularies, and
-- builds a fresh world, forgetting the objects of the previous one.

_ALERT = error_print

dofile 'runtime.lua'
dofile 'messages.lua'

new_world('Мир')
world:create('player', 'Игрок')

dofile 'verbs.lua'
dofile 'nouns.lua'
dofile 'prepositions.lua'
dofile 'idemap.lua'
